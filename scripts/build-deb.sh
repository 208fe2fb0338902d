#!/usr/bin/env bash
# Builds the Debian package quorvelin_VERSION_ARCH.deb from this checkout with
# Debian's own tools (dpkg-buildpackage and debhelper, from debian/) and
# checks it with lintian.
#   scripts/build-deb.sh [OUTPUT_DIR]     (default: dist/ in the checkout)
# The build runs in a copy of the checkout's files (committed and changed,
# not ignored ones), so the checkout gets no build trees, and the source
# revision the program reports is the checkout's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/dist}" && cd "${1:-$root/dist}" && pwd)"
"$root/scripts/install-deps.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/quorvelin"
git -C "$root" ls-files -z --cached --others --exclude-standard \
    | (cd "$root" && tar --null --files-from=- --ignore-failed-read -cf - 2>/dev/null) \
    | tar -xf - -C "$work/quorvelin"
revision="$(git -C "$root" rev-parse --short=12 HEAD)"
git -C "$root" diff --quiet HEAD -- || revision="$revision-modified"

(
    cd "$work/quorvelin"
    export QUORVELIN_SOURCE_REVISION="$revision"
    export DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
    dpkg-buildpackage --build=binary --no-sign
)
rm -f "$out"/quorvelin_*.deb
mv "$work"/quorvelin_*.deb "$out/"
deb="$(ls "$out"/quorvelin_*.deb)"
echo "built $deb"
# Errors fail the build; warnings are listed.
lintian --fail-on error --display-level '>=warning' "$deb"
