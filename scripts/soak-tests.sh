#!/usr/bin/env bash
# Runs the plain test suite RUNS times in a row (default 10) while a second
# copy of the suite runs beside it, as on a loaded CI machine. Prints one line
# per run and exits non-zero if any run of the first copy failed.
# Usage: scripts/soak-tests.sh [BUILD_DIR] [RUNS]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-10}"
export QT_QPA_PLATFORM=offscreen
logs="$(mktemp -d)"

# The second copy keeps the machine busy until the first is done.
(
    while [ ! -e "$logs/done" ]; do
        (cd "$build" && ctest -j "$(nproc)" --timeout 300 >>"$logs/beside.log" 2>&1)
    done
) &
beside=$!

failed=0
for run in $(seq 1 "$runs"); do
    start=$(date +%s)
    if (cd "$build" && ctest -j "$(nproc)" --timeout 300 --output-on-failure >"$logs/run$run.log" 2>&1); then
        echo "run $run: passed in $(( $(date +%s) - start )) s"
    else
        failed=$((failed + 1))
        echo "run $run: FAILED in $(( $(date +%s) - start )) s"
        grep -E "\(Failed\)|\(Timeout\)|\(SEGFAULT\)|\*\*\*Exception" "$logs/run$run.log" | sed 's/^/    /'
    fi
done
touch "$logs/done"
wait "$beside"
beside_failures=$(grep -cE "^[0-9]+% tests passed, [1-9]" "$logs/beside.log" || true)
echo "$((runs - failed)) passed, $failed failed (second copy: $beside_failures failing runs; logs in $logs)"
[ "$failed" -eq 0 ]
