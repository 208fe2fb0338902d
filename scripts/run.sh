#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Quorvelin.
#   scripts/run.sh [program arguments]   start the program
#   scripts/run.sh --demo                start it against simulated servers on 127.0.0.1
#   scripts/run.sh --demo-profile DIR    only write the demo's profile into DIR (new or
#                                        left by an older run) and stop: nothing is
#                                        installed, built or started
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

# The demo's simulators; every one listens on 127.0.0.1 only.
base=27778
master_port=28900
web_port=28980
stats_port=28981
version_port=28982

# Sets key of [section] in an INI file to value, as the program reads it: names
# match in any case and the first of repeated keys counts, so that one is
# replaced and the others go. A missing key or section is added.
set_ini_key() {
    INI_SECTION="$2" INI_KEY="$3" INI_VALUE="$4" awk '
        function name(text) {
            sub(/\r$/, "", text)
            gsub(/^[ \t]+|[ \t]+$/, "", text)
            return tolower(text)
        }
        function flush() {
            for (; blanks > 0; blanks--) print blank
        }
        BEGIN { section = tolower(ENVIRON["INI_SECTION"]); key = ENVIRON["INI_KEY"]; line = key "=" ENVIRON["INI_VALUE"] }
        /\r$/ { eol = "\r" }
        # A new key goes after the last line of the section, before its blank lines.
        inside && !done && name($0) == "" { blank = $0; blanks++; next }
        /^[ \t]*\[/ {
            header = $0
            sub(/^[ \t]*\[/, "", header)
            sub(/\].*$/, "", header)
            if (inside && !done) { print line eol; done = 1 }
            flush()
            inside = name(header) == section
            seen = seen || inside
            print
            next
        }
        inside && index($0, "=") > 0 && name(substr($0, 1, index($0, "=") - 1)) == tolower(key) {
            if (!done) { flush(); print line eol; done = 1 }
            next
        }
        { flush(); print }
        END {
            if (!done && !seen) print "[" ENVIRON["INI_SECTION"] "]" eol
            if (!done) print line eol
            flush()
        }
    ' "$1" >"$1.new"
    mv "$1.new" "$1"
}

# The demo's profile in $1: a stand-in for the game, three buddies on a first
# run, and every key that names a host pointed at a simulator, in profiles of
# older demo runs too.
prepare_demo_profile() {
    local profile="$1"
    local ini="$profile/Quorvelin.ini"
    local game="$profile/ut"
    mkdir -p "$profile"
    # A stand-in for the game: "Join Server" starts it, and it writes its
    # command line to joined.log in the profile.
    mkdir -p "$game/System"
    printf '#!/bin/sh\necho "$(date +%%T) ut-bin $*" >>"%s/joined.log"\n' "$profile" >"$game/System/ut-bin"
    chmod +x "$game/System/ut-bin"
    # A first demo run starts with three buddies who come and go on the simulated
    # servers, a voice of the flite engine and a chime for them.
    if [ ! -f "$ini" ]; then
        printf '[general]\nComputerVoice=slt\nBuddySound=%s\nUTBaseDir=%s\n[nicknames]\nbuddies=FragMaster,Loque,Xan\n' \
            "$root/data/buddy.wav" "$game" >"$ini"
    fi
    set_ini_key "$ini" locations MasterServers "127.0.0.1:$master_port,http://127.0.0.1:$web_port/servers.txt"
    set_ini_key "$ini" locations ngWorldStats "127.0.0.1:$stats_port"
    set_ini_key "$ini" locations version_server1 "127.0.0.1:$version_port"
    set_ini_key "$ini" locations version_server2 "127.0.0.1:$version_port"
}

if [ "${1:-}" = "--demo-profile" ]; then
    if [ $# -ne 2 ]; then
        echo "usage: $0 --demo-profile DIR" >&2
        exit 2
    fi
    prepare_demo_profile "$2"
    exit 0
fi

"$root/scripts/install-deps.sh"

build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVELIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target quorvelin quorvelin-gamesim quorvelin-mastersim quorvelin-statssim \
    quorvelin-versionsim

if [ "${1:-}" != "--demo" ]; then
    exec "$build/src/quorvelin" "$@"
fi

# Simulated servers whose players come and go, six of them monitored from the
# start, all on the LAN beacon ports and on a validating master server (whose
# game type filter works) and a web list, a simulated statistics service that
# knows the names on screen, a version service that announces this release, and
# a profile of their own. Everything stays on 127.0.0.1.
profile="${XDG_STATE_HOME:-$HOME/.local/state}/quorvelin-demo"
prepare_demo_profile "$profile"
release="$("$build/src/quorvelin" --version | sed -n 's/.*(release \([0-9]*\).*/\1/p')"
"$build/tools/gamesim/quorvelin-gamesim" --count 10 --base-port "$base" --churn 4000 --beacon --quiet &
sims=($!)
"$build/tools/mastersim/quorvelin-mastersim" --count 10 --base-port "$base" --port "$master_port" \
    --http-port "$web_port" --honour-filters --quiet >/dev/null &
sims+=($!)
"$build/tools/statssim/quorvelin-statssim" --port "$stats_port" --count 10 --base-port "$base" --quiet >/dev/null &
sims+=($!)
"$build/tools/versionsim/quorvelin-versionsim" --port "$version_port" --version "$release" \
    --address "http://127.0.0.1:$version_port/" --quiet >/dev/null &
sims+=($!)
trap 'kill "${sims[@]}" 2>/dev/null || true' EXIT
servers=()
for i in 0 1 2 3 4 5; do servers+=(--server "127.0.0.1:$((base + i))"); done
"$build/src/quorvelin" -debug --profile "$profile" --lan-broadcast 127.0.0.1 "${servers[@]}"
