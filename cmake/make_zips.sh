#!/usr/bin/env bash
# Makes the release zip and the test kit zip in OUT-DIR, each with BUILD.txt, the build
# record, and SHA256SUMS beside them. The same sources and toolchain give the same bytes,
# whoever builds them where: every file is dated as the banner dates the version, with fixed
# permissions, in a fixed order, and no owner or build time is stored.
# Usage: make_zips.sh OUT-DIR VERSION WIN32-TREE HARNESS.EXE STANDIN.EXE CONSOLECHECK.EXE
set -euo pipefail
out=$(cd "$1" && pwd) version=$2 win32=$3 harness=$4 standin=$5
consolecheck=$6
source=$(cd "$(dirname "$0")/.." && pwd)
exe=$win32/src/keycode.exe
release=keycode-$version-win32.zip kit=keycode-$version-win32-tests.zip

# The record: which source, which toolchain, which keycode.exe. Where the source is no Git
# checkout (a forge's download), KEYCODE_COMMIT may name its commit.
git=(git -c "safe.directory=$source" -C "$source")
if commit=$("${git[@]}" rev-parse HEAD 2>/dev/null); then
    [ -z "$("${git[@]}" status --porcelain --untracked-files=no)" ] ||
        commit="$commit, with local changes"
else
    commit=${KEYCODE_COMMIT:-unknown, not a Git checkout}
fi
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
{
    echo "keycode $version for 32-bit Windows"
    echo "source:      commit $commit"
    cat "$win32/toolchain.txt"
    echo "keycode.exe: $(stat -c %s "$exe") bytes, SHA-256 $(sha256sum "$exe" | cut -d' ' -f1)"
} >"$stage/BUILD.txt"

mkdir -p "$stage/release/examples" "$stage/tests/examples" "$stage/tests/cases"
for folder in release tests; do
    cp "$exe" "$stage/BUILD.txt" "$stage/$folder/"
    cp "$source"/examples/*.cmd "$stage/$folder/examples/"
done
cp "$source/README.md" "$source/LICENSE" "$stage/release/"
cp "$consolecheck" "$stage/release/"
cp "$harness" "$standin" "$source/tests/kit/run.cmd" "$stage/tests/"
cp "$source"/tests/real_console/*.cases "$stage/tests/cases/"

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
