#!/usr/bin/env bash
# Fails when a C++ source differs from what clang-format makes of it with the
# project's .clang-format. With --fix, rewrites them instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
if [ -d .git ]; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
    mapfile -t files < <(find src tests tools bench -name '*.cpp' -o -name '*.h')
fi
if [ "${1:-}" = "--fix" ]; then
    clang-format -i --style=file "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run --Werror --style=file "${files[@]}" 2>/tmp/quorvelin-format.$$; then
    grep -E "^[^ ].*: (error|warning):" /tmp/quorvelin-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
    rm -f /tmp/quorvelin-format.$$
    echo "Run scripts/check-format.sh --fix (or: cmake --build build --target format)." >&2
    exit 1
fi
rm -f /tmp/quorvelin-format.$$
echo "formatting: ${#files[@]} files as .clang-format asks"
