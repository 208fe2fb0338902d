#!/usr/bin/env bash
# Whole-process wall and CPU time of one query of 1, 256 and 2,000 simulated
# servers on 127.0.0.1: our command-line query beside qstat on the same
# servers, asking for the same (players and rules), with the same bound on
# queries in flight. The two run alternately so that both see the same load
# on the machine, and both query the same simulator.
#   bench/query-vs-qstat.sh [BUILD_DIR] [RUNS]
# BASE_PORT (default 20000) moves the simulator's ports, should those be taken.
set -euo pipefail

in_flight=32            # our --in-flight, and qstat's -maxsim
counts=(1 256 2000)     # each run queries the first COUNT servers of one simulator

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
runs="${2:-11}"
base="${BASE_PORT:-20000}"
largest=${counts[-1]}
ours="$build/src/quorvelin"

work="$(mktemp -d)"
sim=
cleanup() {
    if [ -n "$sim" ]; then
        kill "$sim" 2>/dev/null || true
        wait "$sim" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

"$build/tools/gamesim/quorvelin-gamesim" --count "$largest" --base-port "$base" --quiet >"$work/servers" 2>"$work/sim-errors" &
sim=$!
for _ in $(seq 300); do
    [ "$(wc -l <"$work/servers")" -ge "$largest" ] && break
    kill -0 "$sim" 2>/dev/null || { cat "$work/sim-errors" >&2; echo "the simulator did not start (BASE_PORT=$base)" >&2; exit 1; }
    sleep 0.1
done

# A profile of its own keeps the user's settings out, so the program's defaults apply.
profile=(--profile "$work/profile")
our_options=(--json --in-flight "$in_flight")

# Runs a command in a subshell of its own, so that `times` there counts that
# command alone; its output goes to the file $1. Prints "wall_ms cpu_ms".
timed() {
    local out=$1
    shift
    (
        start=${EPOCHREALTIME//[.,]/}
        "$@" >"$out" 2>"$out.err" || true
        end=${EPOCHREALTIME//[.,]/}
        times >"$out.times"
        awk -v wall=$((end - start)) '
            function seconds(t) { sub(/s$/, "", t); split(t, p, "m"); return p[1] * 60 + p[2] }
            NR == 2 { printf "%.1f %.1f\n", wall / 1000, (seconds($1) + seconds($2)) * 1000 }' "$out.times"
    )
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
range() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print (lo == hi) ? lo : lo ".." hi }'; }
per_run_ms() { awk -v t="$1" -v hz="$(getconf CLK_TCK)" -v n="$runs" 'BEGIN { printf "%.1f", t * 1000 / hz / n }'; }
# The simulator's user and system time so far, in clock ticks.
simulator_ticks() { awk '{ print $14 + $15 }' "/proc/$sim/stat"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

# Records our program gave in full, and the servers qstat reported as answering.
our_complete() { grep -c '"Complete":true' "$1" || true; }
our_named() { grep -c '"HostName":"[^"]' "$1" || true; }
qstat_answered() { awk -F, '/^GPS,/ && $3 != "TIMEOUT" && $3 != "DOWN" && $3 != "ERROR"' "$1" | wc -l; }

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $runs runs each, alternating"
echo "in flight: ours --in-flight $in_flight, qstat -maxsim $in_flight"

for count in "${counts[@]}"; do
    targets=()
    qstat_args=(-raw , -P -R -maxsim "$in_flight")
    our_note=
    for ((i = 0; i < count; i++)); do
        targets+=("127.0.0.1:$((base + i))")
        qstat_args+=(-gps "127.0.0.1:$((base + i))")
    done
    # One run of each first, not counted: loads both programs and the simulator's replies.
    timed "$work/out" "$ours" "${profile[@]}" --query "${targets[@]}" "${our_options[@]}" >/dev/null
    [ -s "$work/out" ] || our_note="quorvelin said: $(head -1 "$work/out.err")"
    timed "$work/out" quakestat "${qstat_args[@]}" >/dev/null

    : >"$work/ours"
    : >"$work/theirs"
    : >"$work/ours-complete"
    : >"$work/ours-named"
    : >"$work/theirs-answered"
    sim_ours=0
    sim_theirs=0
    for ((r = 0; r < runs; r++)); do
        before=$(simulator_ticks)
        timed "$work/out" "$ours" "${profile[@]}" --query "${targets[@]}" "${our_options[@]}" >>"$work/ours"
        sim_ours=$((sim_ours + $(simulator_ticks) - before))
        our_complete "$work/out" >>"$work/ours-complete"
        our_named "$work/out" >>"$work/ours-named"
        before=$(simulator_ticks)
        timed "$work/out" quakestat "${qstat_args[@]}" >>"$work/theirs"
        sim_theirs=$((sim_theirs + $(simulator_ticks) - before))
        qstat_answered "$work/out" >>"$work/theirs-answered"
    done

    our_wall=$(cut -d' ' -f1 "$work/ours" | median)
    our_cpu=$(cut -d' ' -f2 "$work/ours" | median)
    their_wall=$(cut -d' ' -f1 "$work/theirs" | median)
    their_cpu=$(cut -d' ' -f2 "$work/theirs" | median)
    echo
    echo "$count servers (median of $runs):"
    printf '  quorvelin --query: wall %8.1f ms  CPU %8.1f ms  complete records %s of %s (with a host name %s)\n' \
        "$our_wall" "$our_cpu" "$(range <"$work/ours-complete")" "$count" "$(range <"$work/ours-named")"
    printf '  quakestat:         wall %8.1f ms  CPU %8.1f ms  servers answered %s of %s\n' \
        "$their_wall" "$their_cpu" "$(range <"$work/theirs-answered")" "$count"
    printf '  ours/qstat:        wall %8s     CPU %8s\n' "$(ratio "$our_wall" "$their_wall")" "$(ratio "$our_cpu" "$their_cpu")"
    echo "  simulator CPU per run: $(per_run_ms "$sim_ours") ms beside ours, $(per_run_ms "$sim_theirs") ms beside qstat"
    [ -z "$our_note" ] || echo "  $our_note"
done
