#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Quorvelin.
#   scripts/run.sh [program arguments]   start the program
#   scripts/run.sh --demo                start it against simulated servers on 127.0.0.1
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVELIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target quorvelin quorvelin-gamesim

if [ "${1:-}" != "--demo" ]; then
    exec "$build/src/quorvelin" "$@"
fi

# Six simulated servers whose players come and go, and a profile of their own.
profile="${XDG_STATE_HOME:-$HOME/.local/state}/quorvelin-demo"
mkdir -p "$profile"
base=27778
"$build/tools/gamesim/quorvelin-gamesim" --count 6 --base-port "$base" --churn 4000 --quiet &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
servers=()
for i in 0 1 2 3 4 5; do servers+=(--server "127.0.0.1:$((base + i))"); done
"$build/src/quorvelin" -debug --profile "$profile" "${servers[@]}"
