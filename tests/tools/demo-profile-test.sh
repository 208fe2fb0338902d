#!/usr/bin/env bash
# The demo's profile points every key that names a host at 127.0.0.1: a new
# one, and one left by an older run that still names real hosts.
#   demo-profile-test.sh SOURCE_DIR
set -euo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL ($1): $2"
    failures=$((failures + 1))
}

# The keys the program reads from [locations]; one missing from the profile
# would leave the program on its default host.
mapfile -t location_keys < <(grep -o 'kLocations, QStringLiteral("[^"]*")' "$source_dir/src/config/Configuration.cpp" |
    sed 's/.*("\(.*\)")/\1/' | sort -fu)
if [ "${#location_keys[@]}" -lt 4 ]; then
    fail setup "found only ${#location_keys[@]} keys of [locations] in src/config/Configuration.cpp"
fi

# Value of key in the first [section] holding it, as the program reads it (any case).
ini_value() {
    awk -v section="$2" -v key="$3" '
        { sub(/\r$/, "") }
        /^[ \t]*\[/ { header = tolower($0); gsub(/^[ \t]*\[|\].*$/, "", header); inside = header == tolower(section); next }
        inside && index($0, "=") > 0 {
            name = substr($0, 1, index($0, "=") - 1)
            gsub(/^[ \t]+|[ \t]+$/, "", name)
            if (tolower(name) == tolower(key)) { value = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", value); print value; exit }
        }
    ' "$1"
}

# Every URL, IP address and host name in the file must be 127.0.0.1.
check_hosts() {
    local label="$1" ini="$2" line value item host
    while IFS= read -r line; do
        line="${line%$'\r'}"
        case "$line" in "" | ";"* | "#"* | "["*) continue ;; esac
        value="${line#*=}"
        while IFS= read -r host; do
            [ "$host" = 127.0.0.1 ] || fail "$label" "URL to $host in: $line"
        done < <(grep -oE '[A-Za-z][A-Za-z0-9+.-]*://[^/:, ]+' <<<"$value" | sed 's|.*://||')
        while IFS= read -r host; do
            [ "$host" = 127.0.0.1 ] || fail "$label" "address $host in: $line"
        done < <(grep -oE '(^|[^0-9.])[0-9]{1,3}(\.[0-9]{1,3}){3}($|[^0-9.])' <<<"$value" | grep -oE '[0-9]{1,3}(\.[0-9]{1,3}){3}')
        # Host names stand alone in a (comma-separated) value, maybe with a port; paths do not count.
        IFS=',' read -ra items <<<"$value"
        for item in "${items[@]}"; do
            item="$(sed 's/^[ \t]*//; s/[ \t]*$//' <<<"$item")"
            if [[ "$item" =~ ^([A-Za-z0-9-]+(\.[A-Za-z0-9-]+)*\.[A-Za-z][A-Za-z0-9-]*)(:[0-9]+)?$ ]]; then
                fail "$label" "host name ${BASH_REMATCH[1]} in: $line"
            fi
        done
    done <"$ini"
}

check_profile() {
    local label="$1" ini="$2/Quorvelin.ini" key value
    [ -f "$ini" ] || { fail "$label" "no $ini"; return; }
    for key in "${location_keys[@]}"; do
        value="$(ini_value "$ini" locations "$key")"
        [ -n "$value" ] || fail "$label" "[locations] $key is not set, so the program's default host counts"
    done
    [ "$(ini_value "$ini" locations MasterServers)" = "127.0.0.1:28900,http://127.0.0.1:28980/servers.txt" ] ||
        fail "$label" "MasterServers holds more than the simulated master and web list"
    check_hosts "$label" "$ini"
}

run_sh="$source_dir/scripts/run.sh"

"$run_sh" --demo-profile "$work/new"
check_profile new "$work/new"
[ "$(ini_value "$work/new/Quorvelin.ini" nicknames buddies)" = "FragMaster,Loque,Xan" ] || fail new "no buddies"

# A profile of an older demo run, edited since: real hosts, keys in other
# cases, a repeated section, Windows line ends, and the servers it monitored.
mkdir -p "$work/old"
printf '%s\r\n' '[general]' 'ComputerVoice=slt' '[nicknames]' 'buddies=Loque' '[locations]' \
    'MasterServers=127.0.0.1:28900,http://127.0.0.1:28980/servers.txt,master.333networks.com:28900,http://utlist.example.org/servers.txt' \
    ' NGWORLDSTATS = ut.ngworldstats.com' 'Version_Server1=version.quorvelin.org' '' '[servers]' 'ip[0]=127.0.0.1' \
    'port[0]=27778' 'desc[0]=Frag Zone DM #1' '[Locations]' 'version_server2=203.0.113.9:80' >"$work/old/Quorvelin.ini"
"$run_sh" --demo-profile "$work/old"
check_profile old "$work/old"
[ "$(ini_value "$work/old/Quorvelin.ini" nicknames buddies)" = "Loque" ] || fail old "the buddies were not kept"
[ "$(ini_value "$work/old/Quorvelin.ini" servers 'desc[0]')" = "Frag Zone DM #1" ] || fail old "the servers were not kept"

# A second preparation changes nothing.
cp "$work/old/Quorvelin.ini" "$work/again.ini"
"$run_sh" --demo-profile "$work/old"
cmp -s "$work/old/Quorvelin.ini" "$work/again.ini" || fail again "a second run changed the profile"

# The checks themselves catch each kind of real host.
for bad in 'ngWorldStats=ut.ngworldstats.com' 'MasterServers=127.0.0.1:28900,http://localhost:28980/x' \
    'version_server1=203.0.113.9:80' 'HtmlCommand=wget -q http://example.org/'; do
    printf '[locations]\n%s\n' "$bad" >"$work/bad.ini"
    before=$failures
    check_hosts bad "$work/bad.ini" >/dev/null
    [ "$failures" -gt "$before" ] || { echo "FAIL: the host check missed $bad"; exit 1; }
    failures=$before
done

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "demo profiles name no host but 127.0.0.1"
