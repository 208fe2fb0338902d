#!/bin/sh
# Fails when an option that the program's --help lists has no entry of its
# own in the OPTIONS section of the manual page: a tag line after .TP that
# names it in bold, as \fB\-\-name\fR.
# usage: check-man-options.sh PROGRAM PAGE
set -u
program=$1
page=$2
if ! help=$("$program" --help); then
    echo "$program --help failed" >&2
    exit 1
fi
options=$(printf '%s\n' "$help" | grep -oE '(^|[][ |,])--?[a-z][a-z-]*' \
    | sed 's/^[][ |,]//' | sort -u)
if [ -z "$options" ]; then
    echo "$program --help lists no option" >&2
    exit 1
fi
tags=$(awk '/^\.SH/ { options = ($0 ~ /^\.SH "?OPTIONS"?$/) }
            options && after_tp { print }
            { after_tp = options && /^\.TP/ }' "$page")
missing=
for option in $options; do
    escaped=$(printf '%s' "$option" | sed 's/-/\\-/g')
    if ! printf '%s\n' "$tags" | grep -qF "\\fB$escaped\\fR"; then
        missing="$missing $option"
    fi
done
if [ -n "$missing" ]; then
    echo "$page: no entry for:$missing" >&2
    exit 1
fi
echo "$page: an entry for each of" $options
