#!/usr/bin/env bash
# Whole-process wall time of one query of 256 simulated servers on
# 127.0.0.1: our command-line query beside qstat on the same servers, the
# two run alternately so that both see the same load on the machine.
#   bench/query-vs-qstat.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
runs="${2:-21}"
count=256
base=41000

lines="$(mktemp)"
"$build/tools/gamesim/quorvelin-gamesim" --count "$count" --base-port "$base" --quiet >"$lines" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -f "$lines"' EXIT
for _ in $(seq 50); do
    [ "$(wc -l <"$lines")" -ge "$count" ] && break
    kill -0 $sim 2>/dev/null || { echo "the simulator did not start" >&2; exit 1; }
    sleep 0.1
done

targets=()
qstat_args=()
for ((i = 0; i < count; i++)); do
    targets+=("127.0.0.1:$((base + i))")
    qstat_args+=(-gps "127.0.0.1:$((base + i))")
done

ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
summary() {
    sort -n | awk '{a[NR]=$1} END {printf "median %d ms (min %d, max %d)", a[int((NR+1)/2)], a[1], a[NR]}'
}

ours=()
theirs=()
for ((r = 0; r < runs; r++)); do
    ours+=("$(ms "$build/src/quorvelin" --query "${targets[@]}" --sleep 0 --json)")
    theirs+=("$(ms quakestat "${qstat_args[@]}")")
done

echo "quorvelin --query, $count servers, --sleep 0: $(printf '%s\n' "${ours[@]}" | summary)"
replied=$("$build/src/quorvelin" --query "${targets[@]}" --sleep 0 --json | grep -c '"HostName":"[^"]')
echo "  records with a host name: $replied of $count"
echo "quakestat -gps x $count:                 $(printf '%s\n' "${theirs[@]}" | summary)"
replied=$(quakestat "${qstat_args[@]}" -raw , | grep -c -v -E 'TIMEOUT|DOWN|^$')
echo "  servers qstat reported: $replied of $count"
