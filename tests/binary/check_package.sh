#!/usr/bin/env bash
# Makes the release zip and checks what is in it.
# Usage: check_package.sh build-dir zip-name keycode.exe
set -eu
build=$1 zip=$2 exe=$3
cmake --build "$build" --target package >/dev/null
listing=$(cd "$build" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
want="LICENSE README.md examples/ examples/getkey.cmd examples/keyname.cmd examples/menu.cmd examples/yesno.cmd keycode.exe "
failed=0
if [ "$listing" != "$want" ]; then
    echo "FAIL: the zip holds: $listing"
    echo "      it should hold: $want"
    failed=1
fi
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$build/$zip")
if ! cmp -s "$unpacked/keycode.exe" "$exe"; then
    echo "FAIL: the zip's keycode.exe is not the one built"
    failed=$((failed + 1))
fi
if ! grep -q $'\r$' "$unpacked/examples/menu.cmd"; then
    echo "FAIL: the examples lost their CRLF line ends"
    failed=$((failed + 1))
fi
echo "$((3 - failed)) passed, $failed failed"
[ $failed = 0 ]
