#!/usr/bin/env bash
# The quick loop while working: an incremental plain build and the plain
# tests, without the sanitizer build, the fuzzers or the benchmarks.
# Arguments go to ctest, e.g.  scripts/dev-test.sh -R Settings
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
export QT_QPA_PLATFORM=offscreen
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 300 "$@"
