#!/usr/bin/env bash
# Checks the release zip and the test kit zip that the build made (read only: wine.kit reads
# them too): what is in them, their build record, the links in their documents, SHA256SUMS,
# and that making them again, in a folder of its own, gives the same bytes. Then the record
# and the contents made from copies of the source: one inside another project's work tree,
# one a checkout with an untracked example.
# Usage: check_package.sh build-dir version keycode.exe
set -eu
build=$1 version=$2 exe=$3 keywait=${3%/*}/keywait.exe
source=$(cd "$(dirname "$0")/../.." && pwd)
# What the zips take from the source, as make_zips.sh lists it, and what the build adds.
taken=$(bash "$source/cmake/make_zips.sh" --files)
declare -A want=(
    [keycode-$version-win32.zip]="BUILD.txt consolecheck.exe keycode.exe keywait.exe $(sed -n 's|^release/||p' <<<"$taken")"
    [keycode-$version-win32-tests.zip]="BUILD.txt harness.exe keycode.exe keywait.exe standin.exe $(sed -n 's|^tests/||p' <<<"$taken")"
)
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
. "$(dirname "$0")/../support/checks.sh"
# Every line ends in CR LF, the last one too: cmd.exe misreads labels after a bare LF, and
# Notepad before Windows 10 1809 shows a text file of bare LFs as one line.
crlf() { ! grep -q $'[^\r]$\|^$' "$1" && [ "$(tail -c 2 "$1" | od -An -tx1 | tr -d ' ')" = 0d0a ]; }
# Prints the relative links of a Markdown document, [text](target) and [name]: target, that
# lead to no file inside ROOT; web addresses and a link's #anchor are not followed.
dead_links() { # DOCUMENT ROOT
    local target path
    { grep -oE '\]\([^)[:space:]]+' "$1" | cut -c3-
      grep -oE '^ {0,3}\[[^]]+\]:[[:space:]]*[^[:space:]]+' "$1" | sed 's/.*\]:[[:space:]]*//'
    } | while read -r target; do
        target=${target#<} && target=${target%>} && target=${target%%#*}
        [ -n "$target" ] && ! [[ $target =~ ^[A-Za-z][A-Za-z0-9+.-]*: ]] || continue
        path=$(realpath -m "$(dirname "$1")/$target")
        case $path in "$2"/*) [ -e "$path" ] && continue ;; esac
        printf '%s ' "$target"
    done
}
# The toolchain line the record must have: the release's wording only for the release's
# compiler and linker (the toolchain file's KEYCODE_RELEASE_TOOLCHAIN).
release_toolchain=$(sed -n 's/^set(KEYCODE_RELEASE_TOOLCHAIN "\(.*\)")$/\1/p' \
    "$source/cmake/i386-windows-clang.cmake" | sed 's/" "/, /g')
toolchain_line() { # BUILD.TXT
    if [ "$(tr -d '\r' <"$1" | sed -n 's/^built by: *//p')" = "$release_toolchain" ]; then
        echo "toolchain:   the release's (Debian 12)"
    else
        echo "toolchain:   not the release's, which is Debian 12's ($release_toolchain)"
    fi
}
for zip in "${!want[@]}"; do
    listing=$(cd "$build" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
    wanted=$(printf '%s\n' ${want[$zip]} | sort | tr '\n' ' ')
    check "$zip holds: $listing; it should hold: $wanted" [ "$listing" = "$wanted" ]
    mkdir "$unpacked/$zip"
    (cd "$unpacked/$zip" && cmake -E tar xf "$build/$zip")
    while read -r text; do
        check "$zip: every line of $text ends in CR LF" crlf "$unpacked/$zip/$text"
    done < <(cd "$unpacked/$zip" && find . -type f \( -name '*.cmd' -o -name '*.md' -o -name '*.cases' -o \
        -name '*.txt' -o -name LICENSE -o -name SHA256SUMS \) | cut -c3- | LC_ALL=C sort)
    while read -r document; do
        dead=$(dead_links "$unpacked/$zip/$document" "$unpacked/$zip")
        check "$zip: $document links to what is not in the zip: $dead" [ -z "$dead" ]
    done < <(cd "$unpacked/$zip" && find . -name '*.md' | cut -c3- | sort)
    tr -d '\r' <"$unpacked/$zip/BUILD.txt" >"$unpacked/$zip.record"
    for program in "$exe" "$keywait"; do
        check "$zip: its ${program##*/} is the one built" cmp -s "$unpacked/$zip/${program##*/}" "$program"
        check "$zip: its record names ${program##*/}'s size and SHA-256" grep -qx "${program##*/}: $(stat \
            -c %s "$program") bytes, SHA-256 $(sha256sum "$program" | cut -d' ' -f1)" "$unpacked/$zip.record"
    done
    check "$zip: its record says whether the toolchain is the release's" grep -qxF \
        "$(toolchain_line "$unpacked/$zip/BUILD.txt")" "$unpacked/$zip.record"
done
check "SHA256SUMS holds both zips' sums" \
    bash -c "cd '$build' && sha256sum --quiet -c SHA256SUMS && [ \$(wc -l <SHA256SUMS) = 2 ]"
# The zips made from the source in SOURCE-DIR, with this build's programs, into OUT-DIR.
zips() { bash "$1/cmake/make_zips.sh" "$2" "$version" "${exe%/src/keycode.exe}" "$build/tests/harness.exe" \
    "$build/tests/standin.exe" "$build/consolecheck/consolecheck.exe"; }
# Made again later, under another umask, in a folder of its own: the same bytes, as a
# rebuild on another machine.
mkdir "$unpacked/again"
sleep 2
(umask 077 && zips "$source" "$unpacked/again")
check "the zips made again are the same bytes (after a change to the source, build again)" cmp -s "$build/SHA256SUMS" "$unpacked/again/SHA256SUMS"

# A copy of the source, unpacked inside another project's work tree: its record names no
# commit. Made a checkout of its own, with an untracked example: the record names its commit,
# clean, and the example stays out of both zips.
copy=$unpacked/outer/keycode
mkdir -p "$copy" "$unpacked/inside" "$unpacked/own"
tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -
git=(git -c user.name=keycode -c user.email=keycode@localhost -c init.defaultBranch=main)
"${git[@]}" init -q "$unpacked/outer" && : >"$unpacked/outer/other" &&
    "${git[@]}" -C "$unpacked/outer" add other && "${git[@]}" -C "$unpacked/outer" commit -qm other
record() { (cd "$1" && cmake -E tar xf "keycode-$version-win32.zip" BUILD.txt && tr -d '\r' <BUILD.txt | sed -n 's/^source: *//p'); }
(unset KEYCODE_COMMIT && zips "$copy" "$unpacked/inside")
check "a copy inside another work tree: its record names no commit (it says: $(record "$unpacked/inside"))" \
    grep -q '^commit unknown, not a Git checkout' <(record "$unpacked/inside")
"${git[@]}" -C "$copy" init -q && "${git[@]}" -C "$copy" add -A &&
    "${git[@]}" -C "$copy" commit -qm copy
printf '@echo off\r\n' >"$copy/examples/untracked.cmd"
(unset KEYCODE_COMMIT && zips "$copy" "$unpacked/own")
check "a checkout of its own: its record names its commit, clean (it says: $(record "$unpacked/own"))" \
    [ "$(record "$unpacked/own")" = "commit $("${git[@]}" -C "$copy" rev-parse HEAD)" ]
for zip in "$unpacked"/own/*.zip; do
    check "${zip##*/}: an untracked example stays out" \
        bash -c "! cmake -E tar tf '$zip' | grep -q untracked.cmd"
done
finish
