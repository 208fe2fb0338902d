#!/usr/bin/env bash
# Builds the Debian package and checks what it installs: the files in their
# places, the dependencies the tools computed (speech and sound only
# recommended), the program started from a scratch root where the package
# is unpacked (its version, its command-line module) and the manual page.
#   scripts/check-package.sh [OUTPUT_DIR]     (default: build/dist/ in the checkout)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/dist}"
"$root/scripts/build-deb.sh" "$out"
deb="$(ls "$out"/quorvelin_*.deb)"

passed=0
failed=0
check() {
    local what="$1"
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "FAILED: $what"
        failed=$((failed + 1))
    fi
}

contents="$(dpkg --contents "$deb")"
for path in usr/bin/quorvelin \
    usr/lib/quorvelin/quorvelin-window.so usr/lib/quorvelin/quorvelin-console.so usr/lib/quorvelin/quorvelin-media.so \
    usr/share/quorvelin/help/index.html usr/share/quorvelin/readme.txt usr/share/quorvelin/version.txt \
    usr/share/quorvelin/report/example.html \
    usr/share/quorvelin/systemd/quorvelin-report.service usr/share/quorvelin/systemd/quorvelin-report.timer \
    usr/share/applications/org.quorvelin.Quorvelin.desktop usr/share/metainfo/org.quorvelin.Quorvelin.metainfo.xml \
    usr/share/icons/hicolor/16x16/apps/org.quorvelin.Quorvelin.png \
    usr/share/icons/hicolor/256x256/apps/org.quorvelin.Quorvelin.png \
    usr/share/man/man1/quorvelin.1.gz usr/share/bash-completion/completions/quorvelin \
    usr/share/doc/quorvelin/copyright usr/share/doc/quorvelin/changelog.gz; do
    check "the package holds /$path" grep -q " \./$path\$" <<<"$contents"
done

depends="$(dpkg-deb --field "$deb" Depends)"
recommends="$(dpkg-deb --field "$deb" Recommends)"
check "Qt Core is a computed dependency" grep -q 'libqt6core6' <<<"$depends"
check "the SQLite driver is a dependency" grep -q 'libqt6sql6-sqlite' <<<"$depends"
check "speech is not required" bash -c '! grep -q texttospeech <<<"$1"' _ "$depends"
check "sound is not required" bash -c '! grep -q multimedia <<<"$1"' _ "$depends"
check "speech is recommended" grep -q 'libqt6texttospeech6' <<<"$recommends"
check "the voice is recommended" grep -q 'qt6-speech-flite-plugin' <<<"$recommends"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
dpkg-deb --extract "$deb" "$scratch/root"
program="$scratch/root/usr/bin/quorvelin"
version="$("$program" --version)"
check "--version answers from the installed layout ($version)" \
    grep -Eq '^Quorvelin [0-9.]+ \(release [0-9]+, revision [0-9a-f]{12}(-modified)?\)$' <<<"$version"
mkdir "$scratch/profile"
history="$("$program" --history 127.0.0.1:7778 --profile "$scratch/profile" 2>&1 || true)"
check "the command-line module loads from /usr/lib/quorvelin ($history)" grep -q '^quorvelin: No history for' <<<"$history"
warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$scratch/root/usr/share/man/man1/quorvelin.1.gz" 2>&1 >/dev/null)"
check "the manual page reads without warnings" test -z "$warnings"
[ -z "$warnings" ] || echo "$warnings"

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
