#!/bin/bash
# Checks the bash completion of quorvelin by calling _quorvelin as bash would:
#   test-completion.sh COMPLETION_SCRIPT QUORVELIN_PROGRAM
# Runs once in a plain bash and once more with the bash-completion package
# loaded, when it is installed. Prints a line per failure and the totals last.

script=$1
program=$2
if [[ ! -r $script || ! -x $program ]]; then
    echo "usage: $0 COMPLETION_SCRIPT QUORVELIN_PROGRAM" >&2
    exit 1
fi
[[ $script == /* ]] || script=$PWD/$script
[[ $program == /* ]] || program=$PWD/$program
bashCompletion=/usr/share/bash-completion/bash_completion

scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/profiles-one"
: >"$scratch/profiles-file"
: >"$scratch/Quorvelin.ini"

passed=0
failed=0

pass() { ((++passed)); }
fail() {
    ((++failed))
    echo "FAIL [$pass_name] $*"
}

# Splits LINE into COMP_WORDS as bash does with its default COMP_WORDBREAKS
# (a run of ':' is a word of its own) and completes at its end.
completeLine()
{
    local line=$1 c word=
    local -i i
    COMP_WORDS=()
    for ((i = 0; i < ${#line}; i++)); do
        c=${line:i:1}
        if [[ $c == [[:space:]] ]]; then
            [[ $word ]] && COMP_WORDS+=("$word")
            word=
        elif [[ ($c == : && $word && $word != *:) || ($c != : && $word == *:) ]]; then
            COMP_WORDS+=("$word")
            word=$c
        else
            word+=$c
        fi
    done
    COMP_WORDS+=("$word")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    # No program may run: with PATH empty, one would print "command not found".
    PATH=/nonexistent _quorvelin 2>"$scratch/stderr"
    if [[ -s $scratch/stderr ]]; then
        fail "'$line' wrote to stderr: $(<"$scratch/stderr")"
    fi
}

sorted()
{
    local -a items=("$@")
    local -i i j
    local swap
    for ((i = 1; i < ${#items[@]}; i++)); do
        for ((j = i; j > 0; j--)); do
            [[ ${items[j - 1]} > ${items[j]} ]] || break
            swap=${items[j]}
            items[j]=${items[j - 1]}
            items[j - 1]=$swap
        done
    done
    echo "${items[*]}"
}

# expectOffers LINE [WORD...]: the completion at the end of LINE offers exactly the words.
expectOffers()
{
    local line=$1
    shift
    completeLine "$line"
    local got expected
    got=$(sorted "${COMPREPLY[@]}")
    expected=$(sorted "$@")
    if [[ $got == "$expected" ]]; then
        pass
    else
        fail "'$line' offers '$got', expected '$expected'"
    fi
}

# Every option word the program's help lists is offered in some context.
checkHelpOptions()
{
    local help token
    local -A offered=()
    local -a listed=()
    help=$("$program" --help) || {
        fail "$program --help failed"
        return
    }
    local -a tokens
    local optionWord='^[][({|]*(--?[a-z][a-z-]*)'
    while read -ra tokens; do
        for token in "${tokens[@]}"; do
            [[ $token =~ $optionWord ]] && listed+=("${BASH_REMATCH[1]}")
        done
    done <<<"$help"
    if ((${#listed[@]} < 10)); then
        fail "only ${#listed[@]} option words found in the help text"
        return
    fi
    local line
    for line in "quorvelin -" "quorvelin -debug -" "quorvelin --profile $scratch -" \
        "quorvelin --query 127.0.0.1:7778 -" "quorvelin --master 127.0.0.1:28900 -" \
        "quorvelin --master 127.0.0.1:28900 --query -" "quorvelin --report -" \
        "quorvelin --history 127.0.0.1:7778 -"; do
        completeLine "$line"
        for token in "${COMPREPLY[@]}"; do
            offered[$token]=1
        done
    done
    for token in "${listed[@]}"; do
        if [[ ${offered[$token]-} ]]; then
            pass
        else
            fail "the help lists $token but the completion never offers it"
        fi
    done
}

runCases()
{
    cd "$scratch" || exit 1

    if [[ $(complete -p quorvelin 2>&1) == "complete -F _quorvelin quorvelin" ]]; then
        pass
    else
        fail "registered as '$(complete -p quorvelin 2>&1)'; file names would stand in for no match"
    fi

    # Options by context.
    expectOffers "quorvelin --pro" --profile
    expectOffers "quorvelin --ver" --version
    expectOffers "quorvelin -de" -debug
    expectOffers "quorvelin --profile $scratch -de"
    expectOffers "quorvelin -debug --" --profile --server --lan-broadcast
    expectOffers "quorvelin --query 127.0.0.1:7778 --js" --json
    expectOffers "quorvelin --query 127.0.0.1:7778 --json --" --timeout --retries --in-flight --sleep
    expectOffers "quorvelin --history 127.0.0.1:7778 --" --json --profile
    expectOffers "quorvelin --history 127.0.0.1:7778 --profile $scratch --" --json
    expectOffers "quorvelin --report --" --profile
    expectOffers "quorvelin --profile $scratch --" --server --lan-broadcast --report --history
    expectOffers "quorvelin --master 127.0.0.1:28900 --" --json --query
    expectOffers "quorvelin --master 127.0.0.1:28900 --query --ti" --timeout
    expectOffers "quorvelin --version --"

    # Directories after --profile, and no plain file beside them.
    expectOffers "quorvelin --profile $scratch/profiles-" "$scratch/profiles-one"
    expectOffers "quorvelin --report --profile $scratch/profiles-" "$scratch/profiles-one"

    # Numbers and addresses: nothing, not even the files here.
    expectOffers "quorvelin --query 127.0.0.1:7778 --timeout "
    expectOffers "quorvelin --query 127.0.0.1:7778 --retries "
    expectOffers "quorvelin --query 127.0.0.1:7778 --in-flight "
    expectOffers "quorvelin --query 127.0.0.1:7778 --sleep "
    expectOffers "quorvelin --query "
    expectOffers "quorvelin --query 127.0.0.1:77"
    expectOffers "quorvelin --server "
    expectOffers "quorvelin --lan-broadcast "
    expectOffers "quorvelin --history "
    expectOffers "quorvelin --history 127.0.0.1:"
    expectOffers "quorvelin --master "

    checkHelpOptions

    echo "$passed $failed" >"$scratch/counts"
}

# The checks run in a subshell so that each pass starts from a clean shell;
# their counts come back through a file.
# shellcheck disable=SC2030,SC2031
runPass()
{
    pass_name=$1
    (
        passed=0 failed=0
        if [[ $2 ]]; then
            # shellcheck disable=SC1090
            source "$2" || exit 1
        fi
        # shellcheck disable=SC1090
        source "$script" || exit 1
        runCases
    )
    local p f
    if [[ -s $scratch/counts ]] && read -r p f <"$scratch/counts"; then
        ((passed += p, failed += f))
    else
        fail "the checks did not run to the end"
    fi
    rm -f "$scratch/counts"
}

runPass "plain bash"
if [[ -r $bashCompletion ]]; then
    runPass "with bash-completion" "$bashCompletion"
else
    echo "note: $bashCompletion is not installed; checked without it only"
fi

echo "$passed passed, $failed failed"
((failed == 0))
