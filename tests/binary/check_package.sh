#!/usr/bin/env bash
# Makes the release zip and the test kit zip and checks what is in them; the kit's test
# (wine.kit) takes the zips this one made.
# Usage: check_package.sh build-dir version keycode.exe
set -eu
build=$1 version=$2 exe=$3
cmake --build "$build" --target package >/dev/null
# The examples and the case tables as the tree has them, whatever their names.
source=$(cd "$(dirname "$0")/../.." && pwd)
examples="examples/ $(cd "$source" && printf '%s ' examples/*.cmd)"
cases="cases/ $(cd "$source/tests/real_console" && printf 'cases/%s ' *.cases)"
declare -A want=(
    [keycode-$version-win32.zip]="LICENSE README.md $examples keycode.exe"
    [keycode-$version-win32-tests.zip]="$cases $examples harness.exe keycode.exe run.cmd standin.exe"
)
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
. "$(dirname "$0")/../support/checks.sh"
for zip in "${!want[@]}"; do
    listing=$(cd "$build" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
    wanted=$(printf '%s\n' ${want[$zip]} | sort | tr '\n' ' ')
    check "$zip holds: $listing; it should hold: $wanted" [ "$listing" = "$wanted" ]
    mkdir "$unpacked/$zip"
    (cd "$unpacked/$zip" && cmake -E tar xf "$build/$zip")
    check "$zip: its keycode.exe is the one built" cmp -s "$unpacked/$zip/keycode.exe" "$exe"
    check "$zip: the batch files keep their CRLF line ends" \
        grep -q $'\r$' "$unpacked/$zip/examples/menu.cmd"
done
check "the kit's run.cmd keeps its CRLF line ends" \
    grep -q $'\r$' "$unpacked/keycode-$version-win32-tests.zip/run.cmd"
finish
