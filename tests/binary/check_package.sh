#!/usr/bin/env bash
# Makes the release zip and the test kit zip and checks what is in them, their build record,
# SHA256SUMS, and that making them again gives the same bytes; the kit's test (wine.kit)
# takes the zips this one made.
# Usage: check_package.sh build-dir version keycode.exe
set -eu
build=$1 version=$2 exe=$3
cmake --build "$build" --target zips >/dev/null
# The examples and the case tables as the tree has them, whatever their names.
source=$(cd "$(dirname "$0")/../.." && pwd)
examples=$(cd "$source" && printf '%s ' examples/*.cmd)
cases=$(cd "$source/tests/real_console" && printf 'cases/%s ' *.cases)
declare -A want=(
    [keycode-$version-win32.zip]="BUILD.txt LICENSE README.md $examples keycode.exe consolecheck.exe"
    [keycode-$version-win32-tests.zip]="BUILD.txt $cases $examples harness.exe keycode.exe run.cmd standin.exe"
)
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
. "$(dirname "$0")/../support/checks.sh"
# Every line ends in CR LF, the last one too: cmd.exe misreads labels after a bare LF.
crlf() { ! grep -q $'[^\r]$\|^$' "$1" && [ "$(tail -c 2 "$1" | od -An -tx1 | tr -d ' ')" = 0d0a ]; }
for zip in "${!want[@]}"; do
    listing=$(cd "$build" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
    wanted=$(printf '%s\n' ${want[$zip]} | sort | tr '\n' ' ')
    check "$zip holds: $listing; it should hold: $wanted" [ "$listing" = "$wanted" ]
    mkdir "$unpacked/$zip"
    (cd "$unpacked/$zip" && cmake -E tar xf "$build/$zip")
    check "$zip: its keycode.exe is the one built" cmp -s "$unpacked/$zip/keycode.exe" "$exe"
    for batch in "$unpacked/$zip"/*.cmd "$unpacked/$zip"/examples/*.cmd; do
        [ -e "$batch" ] && check "$zip: every line of ${batch##*/} ends in CR LF" crlf "$batch"
    done
    check "$zip: its record names keycode.exe's size and SHA-256" grep -qx \
        "keycode.exe: $(stat -c %s "$exe") bytes, SHA-256 $(sha256sum "$exe" | cut -d' ' -f1)" \
        "$unpacked/$zip/BUILD.txt"
    check "$zip: its record names the toolchain" grep -q '^toolchain: .*release' \
        "$unpacked/$zip/BUILD.txt"
done
check "SHA256SUMS holds both zips' sums" \
    bash -c "cd '$build' && sha256sum --quiet -c SHA256SUMS && [ \$(wc -l <SHA256SUMS) = 2 ]"
# Made again later, under another umask: the same bytes, as a rebuild on another machine.
cp "$build/SHA256SUMS" "$unpacked/first"
sleep 2
(umask 077 && cmake --build "$build" --target zips >/dev/null)
check "the zips made again are the same bytes" cmp -s "$unpacked/first" "$build/SHA256SUMS"
finish
