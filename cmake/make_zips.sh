#!/usr/bin/env bash
# Makes the release zip and the test kit zip in OUT-DIR, each with BUILD.txt, the build
# record, and SHA256SUMS beside them. The same sources and toolchain give the same bytes,
# whoever builds them where: every file is dated as the banner dates the version, with fixed
# permissions, in a fixed order, and no owner or build time is stored.
# Usage: make_zips.sh OUT-DIR VERSION WIN32-TREE HARNESS.EXE STANDIN.EXE CONSOLECHECK.EXE
#        make_zips.sh --files   prints the paths in the zips of what they take from the source
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)

# The release zip's documents beside keycode.exe: the user's manual, the licence and the
# documents the manual links to; the kit's: the licence, the kit's page and what it links to.
# Pages for those who work on keycode (docs/wine.md) stay in the source. The package check
# wants every relative link in a shipped document to lead to a file in its zip.
DOCUMENTS=(README.md LICENSE docs/building.md docs/consoles.md docs/windows-kit.md)
KIT_DOCUMENTS=(LICENSE docs/consoles.md docs/windows-kit.md)

# The source's own Git: only a work tree whose top folder is this source folder. A copy of
# the source unpacked inside another project's work tree is no checkout of this one.
git=(git -c "safe.directory=$source" -C "$source")
top=$("${git[@]}" rev-parse --show-toplevel 2>/dev/null) && [ "$top" -ef "$source" ] || git=()

# Prints the source's files that match the patterns, relative to it, in name order: those Git
# tracks where the source is a Git checkout, else every one there is.
source_files() {
    if [ ${#git[@]} != 0 ]; then
        "${git[@]}" ls-files -- "${@/#/:(glob)}"
    else
        # Unquoted: the patterns are expanded here, in the source folder.
        (cd "$source" && shopt -s nullglob && printf '%s\n' $*)
    fi | LC_ALL=C sort
}

# What a zip takes from the source: the files that match the patterns, into FOLDER at their
# own paths (INTO ""), or under INTO by name ("." for FOLDER itself). Copied into the stage,
# or, with --files, their paths printed. Usage: take FOLDER INTO PATTERN...
take() {
    local folder=$1 into=$2 files file path IFS=$'\n'
    shift 2
    files=$(source_files "$@")
    for file in $files; do
        case $into in
        "") path=$folder/$file ;;
        .) path=$folder/${file##*/} ;;
        *) path=$folder/$into/${file##*/} ;;
        esac
        if [ -z "$stage" ]; then
            echo "$path"
        else
            mkdir -p "$stage/${path%/*}" && cp "$source/$file" "$stage/$path"
        fi
    done
}
contents() {
    take release "" "${DOCUMENTS[@]}" 'examples/*.cmd'
    take tests "" "${KIT_DOCUMENTS[@]}" 'examples/*.cmd'
    take tests cases 'tests/real_console/*.cases'
    take tests . tests/kit/run.cmd
}
stage=
if [ "${1:-}" = --files ]; then
    contents
    exit 0
fi

out=$(cd "$1" && pwd) version=$2 win32=$3 harness=$4 standin=$5 consolecheck=$6
exe=$win32/src/keycode.exe keywait=$win32/src/keywait.exe
release=keycode-$version-win32.zip kit=keycode-$version-win32-tests.zip

# The record: which source, which toolchain, which keycode.exe. Where the source is no Git
# checkout (a forge's download), KEYCODE_COMMIT may name its commit; its files are then taken
# as they are found, which nothing checks against a commit.
if [ ${#git[@]} != 0 ] && commit=$("${git[@]}" rev-parse HEAD 2>/dev/null); then
    # Files Git does not track stay out of the zips, so only changes to tracked ones count.
    [ -z "$("${git[@]}" status --porcelain --untracked-files=no)" ] ||
        commit="$commit, with local changes"
else
    commit="${KEYCODE_COMMIT:-unknown}, not a Git checkout: the files as found in the folder"
fi
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
{
    echo "keycode $version for 32-bit Windows"
    echo "source:      commit $commit"
    cat "$win32/toolchain.txt"
    echo "keycode.exe: $(stat -c %s "$exe") bytes, SHA-256 $(sha256sum "$exe" | cut -d' ' -f1)"
    echo "keywait.exe: $(stat -c %s "$keywait") bytes, SHA-256 $(sha256sum "$keywait" | cut -d' ' -f1)"
} >"$stage/BUILD.txt"

mkdir -p "$stage/release" "$stage/tests"
for folder in release tests; do
    cp "$exe" "$keywait" "$stage/BUILD.txt" "$stage/$folder/"
done
contents
# CR LF in the text files (the kit's case tables too), as in the batch files: Notepad before Windows 10 1809 shows a file
# of bare LFs as one line.
find "$stage" -type f \( -name '*.md' -o -name '*.txt' -o -name '*.cases' -o -name LICENSE \) \
    -exec sed -i 's/\r*$/\r/' {} +
cp "$consolecheck" "$stage/release/"
cp "$harness" "$standin" "$stage/tests/"

date=$(sed -n 's|.* \([0-9][0-9]\)/\([0-9][0-9]\)/\([0-9]\{4\}\)\\r\\n.*|\3-\1-\2|p' \
    "$source/src/keys/banner.h")
[ -n "$date" ] || { echo "make_zips.sh: no date in the banner (src/keys/banner.h)" >&2 && exit 1; }
for folder in release:$release tests:$kit; do
    zip=$out/${folder#*:}
    rm -f "$zip"
    (
        cd "$stage/${folder%:*}"
        find . -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
        chmod 755 ./*.exe
        find . -exec touch -d "$date 00:00:00 UTC" {} +
        # -X: no owner or extra times; TZ: the date in the zip's local time is the same.
        find . -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q -9 -@ "$zip"
    )
done
(cd "$out" && sha256sum "$release" "$kit" >SHA256SUMS)
