#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Quorvelin.
#   scripts/run.sh [program arguments]   start the program
#   scripts/run.sh --demo                start it against simulated servers on 127.0.0.1
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVELIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target quorvelin quorvelin-gamesim quorvelin-mastersim quorvelin-statssim

if [ "${1:-}" != "--demo" ]; then
    exec "$build/src/quorvelin" "$@"
fi

# Simulated servers whose players come and go, six of them monitored from the
# start, all on the LAN beacon ports and on a validating master server and a
# web list, a simulated statistics service, and a profile of their own. Everything stays on 127.0.0.1.
profile="${XDG_STATE_HOME:-$HOME/.local/state}/quorvelin-demo"
mkdir -p "$profile"
base=27778
master_port=28900
web_port=28980
stats_port=28981
"$build/tools/gamesim/quorvelin-gamesim" --count 10 --base-port "$base" --churn 4000 --beacon --quiet &
sims=($!)
"$build/tools/mastersim/quorvelin-mastersim" --count 10 --base-port "$base" --port "$master_port" \
    --http-port "$web_port" --quiet >/dev/null &
sims+=($!)
"$build/tools/statssim/quorvelin-statssim" --port "$stats_port" --quiet >/dev/null &
sims+=($!)
trap 'kill "${sims[@]}" 2>/dev/null || true' EXIT
ini="$profile/Quorvelin.ini"
# A stand-in for the game: "Join Server" starts it, and it writes its
# command line to joined.log in the profile.
game="$profile/ut"
mkdir -p "$game/System"
printf '#!/bin/sh\necho "$(date +%%T) ut-bin $*" >>"%s/joined.log"\n' "$profile" >"$game/System/ut-bin"
chmod +x "$game/System/ut-bin"
# A first demo run starts with three buddies who come and go on the simulated
# servers, a voice of the flite engine and a chime for them.
if [ ! -f "$ini" ]; then
    printf '[general]\nComputerVoice=slt\nBuddySound=%s\nUTBaseDir=%s\n[nicknames]\nbuddies=FragMaster,Loque,Xan\n' \
        "$root/data/buddy.wav" "$game" >"$ini"
    printf '[locations]\nMasterServers=127.0.0.1:%s,http://127.0.0.1:%s/servers.txt\n' \
        "$master_port" "$web_port" >>"$ini"
fi
# The statistics look-ups go to the simulated service, in older demo profiles too.
if ! grep -q '^ngWorldStats=' "$ini"; then
    sed -i "s|^\[locations\]\$|&\nngWorldStats=127.0.0.1:$stats_port|" "$ini"
fi
servers=()
for i in 0 1 2 3 4 5; do servers+=(--server "127.0.0.1:$((base + i))"); done
"$build/src/quorvelin" -debug --profile "$profile" --lan-broadcast 127.0.0.1 "${servers[@]}"
