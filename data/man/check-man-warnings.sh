#!/bin/sh
# Formats a manual page as man(1) shows it and fails on anything groff
# warns about: man --warnings prints the warnings but still exits 0.
# usage: check-man-warnings.sh MAN PAGE
set -u
man_program=$1
page=$2
if ! warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 \
    "$man_program" --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null); then
    printf '%s\n' "$warnings" >&2
    echo "$page: man failed" >&2
    exit 1
fi
if [ -n "$warnings" ]; then
    printf '%s\n' "$warnings" >&2
    echo "$page: groff warnings" >&2
    exit 1
fi
