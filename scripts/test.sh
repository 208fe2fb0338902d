#!/usr/bin/env bash
# Builds and runs every test: a check of the formatting, the suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, a bounded libFuzzer run of each parser of
# untrusted bytes, the Debian package built and checked, then the plain suite.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

echo "== formatting"
"$root/scripts/check-format.sh"

export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"
fuzz_seconds="${QUORVELIN_FUZZ_SECONDS:-60}"

echo "== sanitizer build (clang, ASan + UBSan) and fuzzers"
asan="$root/build-asan"
CC=clang CXX=clang++ cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DQUORVELIN_SANITIZE=ON -DQUORVELIN_BUILD_FUZZ=ON >/dev/null
cmake --build "$asan" -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$asan" && ctest --output-on-failure -j "$jobs" --timeout 300)

for fuzzer in "$asan"/tests/fuzz/fuzz_*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name="$(basename "$fuzzer")"
    corpus="$root/tests/fuzz/corpus/${name#fuzz_}"
    work="$asan/fuzz-corpus/${name#fuzz_}"
    mkdir -p "$work"
    # Datagram-sized inputs; a unit slower than a second counts as a failure.
    options=(-max_total_time="$fuzz_seconds" -max_len=65536 -timeout=1 -print_final_stats=1)
    dict="$root/tests/fuzz/${name#fuzz_}.dict"
    [ -f "$dict" ] && options+=(-dict="$dict")
    echo "== $name for ${fuzz_seconds}s"
    "$fuzzer" "${options[@]}" "$work" "$corpus" 2>&1 | tail -n 12
done

echo "== Debian package"
"$root/scripts/check-package.sh" "$root/build/dist"

echo "== plain build"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVELIN_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs"
cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 300
