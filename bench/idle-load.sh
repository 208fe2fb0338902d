#!/usr/bin/env bash
# The window polling 256 servers of the simulator under Xvfb: CPU time it uses
# (seconds per minute and % of one core), its wake-ups (context switches of
# all its threads) and its resident memory, first with all 256 servers checked
# (players change every 2 s, player scan every 10 s), then with the same list
# and none checked.
#   bench/idle-load.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
seconds="${2:-60}"
count=256
churn=2000     # ms between player changes of the simulator
scanDelay=10   # s between player scans (the "ServerListDelay" slider)
warmUp=16      # s: start-up walk (256 x 20 ms) and the first scan behind us
profile="$(mktemp -d)"
app=""
sim=""
xvfb=""

cleanup() {
    for pid in $app $sim $xvfb; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$profile"
}
trap cleanup EXIT

# A free display, told by the server itself.
exec {displayFd}< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null & echo "pid $!"; wait)
read -r _ xvfb <&"$displayFd"
read -r displayNumber <&"$displayFd"
export DISPLAY=":$displayNumber"

# The simulator's servers on ports of the system's choosing; it prints one
# "127.0.0.1:PORT name" line per server once they are all bound.
"$build/tools/gamesim/quorvelin-gamesim" --count "$count" --base-port 0 --churn "$churn" --quiet \
    >"$profile/servers.txt" &
sim=$!

# Replies come to a port of the system's choosing, so runs side by side do not clash.
cat >"$profile/Quorvelin.ini" <<EOF
[general]
ServerListDelay=$scanDelay
CheckVersionAtStartUp=0
LocalPort=0
EOF

hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
# Voluntary and involuntary context switches of each thread of the window,
# as "thread count" lines.
switches() {
    local task
    for task in /proc/"$app"/task/*; do
        awk -v tid="${task##*/}" '/ctxt_switches/ {n += $2} END {print tid, n + 0}' "$task/status" 2>/dev/null || true
    done
}
# Switches between two of those lists, over the threads in both.
switchesBetween() { awk 'NR == FNR {start[$1] = $2; next} $1 in start {n += $2 - start[$1]} END {print n + 0}' "$1" "$2"; }
kb() { awk -v key="$1" '$1 == key ":" {print $2}' "/proc/$app/status"; }

# Starts the window with the given arguments, waits for it and the warm-up,
# then measures. Prints one line.
measure() {
    local label="$1"
    shift
    "$build/src/quorvelin" --profile "$profile" "$@" >/dev/null 2>&1 &
    app=$!
    # The main window maps once the configuration and the list are loaded.
    for ((i = 0; i < 200; i++)); do
        xdotool search --all --onlyvisible --pid "$app" --name '^Quorvelin' >/dev/null 2>&1 && break
        kill -0 "$app" 2>/dev/null || { echo "$label: the window exited" >&2; exit 1; }
        sleep 0.1
    done
    sleep "$warmUp"
    local t0 t1
    t0=$(ticks)
    switches >"$profile/switches.start"
    sleep "$seconds"
    t1=$(ticks)
    switches >"$profile/switches.end"
    awk -v label="$label" -v t=$((t1 - t0)) -v hz="$hz" -v s="$seconds" \
        -v w="$(switchesBetween "$profile/switches.start" "$profile/switches.end")" \
        -v rss="$(kb VmRSS)" -v hwm="$(kb VmHWM)" 'BEGIN {
            cpu = t / hz
            printf "%s: CPU %.2f s per minute (%.2f%% of one core) over %d s, %.0f wake-ups/s, RSS %d kB (peak %d kB)\n",
                   label, 60 * cpu / s, 100 * cpu / s, s, w / s, rss, hwm
        }'
    # The window stores its list at start-up; a clean close keeps the profile whole.
    kill -TERM "$app"
    wait "$app" 2>/dev/null || true
    app=""
}

for ((i = 0; i < 100; i++)); do
    [ "$(wc -l <"$profile/servers.txt")" -ge "$count" ] && break
    kill -0 "$sim" 2>/dev/null || { echo "the simulator did not start" >&2; exit 1; }
    sleep 0.1
done
servers=()
while read -r address _; do servers+=(--server "$address"); done <"$profile/servers.txt"
[ "${#servers[@]}" -eq $((2 * count)) ] || { echo "the simulator named $((${#servers[@]} / 2)) of $count servers" >&2; exit 1; }
measure "$count checked servers, churn every $((churn / 1000)) s, scan every $scanDelay s" "${servers[@]}"
# Same list, stored in the profile by the first run; nothing checked.
measure "$count servers listed, none checked"
