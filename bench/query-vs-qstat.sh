#!/usr/bin/env bash
# Whole-process wall time of one query of 256 simulated servers on
# 127.0.0.1: our command-line query beside qstat on the same servers.
#   bench/query-vs-qstat.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
runs="${2:-15}"
count=256
base=41000

"$build/tools/gamesim/quorvelin-gamesim" --count "$count" --base-port "$base" --quiet >/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 1

targets=()
for ((i = 0; i < count; i++)); do targets+=("127.0.0.1:$((base + i))"); done
qstat_args=()
for t in "${targets[@]}"; do qstat_args+=(-gps "$t"); done

median_ms() {
    local -a times=()
    local start end
    for ((r = 0; r < runs; r++)); do
        start=$(date +%s%N)
        "$@" >/tmp/quorvelin-bench.out 2>&1 || true
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "median %d ms (min %d, max %d)", a[int((NR+1)/2)], a[1], a[NR]}'
}

echo "quorvelin --query, $count servers, --sleep 0: $(median_ms "$build/src/quorvelin" --query "${targets[@]}" --sleep 0 --json)"
replied=$("$build/src/quorvelin" --query "${targets[@]}" --sleep 0 --json | grep -c '"HostName":"[^"]')
echo "  records with a host name: $replied of $count"
echo "quakestat -gps x $count:                 $(median_ms quakestat "${qstat_args[@]}")"
replied=$(quakestat "${qstat_args[@]}" -raw , | grep -c -v -E 'TIMEOUT|DOWN|^$')
echo "  servers qstat reported: $replied of $count"
