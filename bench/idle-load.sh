#!/usr/bin/env bash
# The program polling 256 checked servers under Xvfb: CPU time used over a
# minute of the default pacing, and resident memory.
#   bench/idle-load.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
seconds="${2:-60}"
count=256
base=43000
display=:97
profile="$(mktemp -d)"

Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
"$build/tools/gamesim/quorvelin-gamesim" --count "$count" --base-port "$base" --churn 5000 --quiet >/dev/null &
sim=$!
trap 'kill $app $sim $xvfb 2>/dev/null || true; rm -rf "$profile"' EXIT
sleep 1

servers=()
for ((i = 0; i < count; i++)); do servers+=(--server "127.0.0.1:$((base + i))"); done
DISPLAY="$display" "$build/src/quorvelin" --profile "$profile" "${servers[@]}" >/dev/null 2>&1 &
app=$!
sleep 15 # start-up queries every server once, 20 ms apart

ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
cpu=$(awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN {printf "%.2f", 100 * t / hz / s}')
rss=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")
hwm=$(awk '/VmHWM/ {print $2}' "/proc/$app/status")
echo "polling $count checked servers every 10 s: CPU ${cpu}% of one core over ${seconds}s, RSS ${rss} kB (peak ${hwm} kB)"
