#!/usr/bin/env bash
# Runs keycode's Wine tests, or keycode itself, wherever Wine can run: with this machine's own
# Wine when its kernel runs 32-bit programs, else in the test guest, a Debian under emulation.
# Either way wine_here.sh does the work, here or inside the guest.
# Usage: wine.sh BUILD-DIR prepare
#        wine.sh BUILD-DIR cases KEYCODE.EXE HARNESS.EXE CASES [EXAMPLES-DIR]
#        wine.sh BUILD-DIR start KEYCODE.EXE [ARGUMENTS...]
set -euo pipefail
build=$(cd "$1" && pwd) what=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
path=$("$here/wine_path.sh")
why="this kernel $([ "$path" = native ] && echo runs || echo "cannot run") 32-bit programs"
[ -z "${KEYCODE_WINE:-}" ] || why="KEYCODE_WINE=$KEYCODE_WINE"
if [ "$path" = native ]; then
    [ "$what" = start ] || echo "Wine: this machine's own ($why)"
    exec "$here/wine_here.sh" "$build/wineprefix" "$what" "$@"
fi

guest=$build/wine-guest
[ "$what" = start ] || echo "Wine: in the test guest under emulation ($why)"
case $what in
prepare) exec "$here/make_guest.sh" "$guest" ;;
start) "$here/make_guest.sh" "$guest" && exec "$here/run_interactive.sh" "$guest" "$@" ;;
cases) ;;
*) echo "usage: wine.sh BUILD-DIR prepare|cases|start ..." >&2 && exit 2 ;;
esac

exe=$1 harness=$2 cases=$3 examples=${4:-}
share=$(mktemp -d "$guest/share.XXXXXX")
trap 'rm -rf "$share"' EXIT
cp "$exe" "$share/keycode.exe"
cp "$harness" "$share/harness.exe"
cp "$cases" "$share/cases.txt"
cp "$here/wine_here.sh" "$share/"
[ -z "$examples" ] || cp -r "$examples" "$share/examples"
# Inside the guest: the files are copied off the shared folder first, because Wine maps
# programs from files and the shared folder's mappings are not reliable.
cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
mkdir /tmp/k && cp -r /share/. /tmp/k && cd /tmp/k
examples=
[ -d examples ] && examples=/tmp/k/examples
./wine_here.sh "$WINEPREFIX" cases keycode.exe harness.exe cases.txt $examples >/share/report.txt
GUEST
chmod +x "$share/run.sh"
"$here/boot_guest.sh" "$guest" snapshot "$guest/guest.img" "$share"
if [ -s "$share/report.txt" ]; then
    cat "$share/report.txt"
else
    echo "no report from the guest; its console and log:"
    tail -n 20 "$guest/console.log" "$share/run.log" 2>/dev/null || true
fi
[ "$(cat "$share/rc" 2>/dev/null)" = 0 ]
