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
cases | start) "$here/make_guest.sh" "$guest" ;;
*) echo "usage: wine.sh BUILD-DIR prepare|cases|start ..." >&2 && exit 2 ;;
esac

# The guest's init runs /share/run.sh, which calls the same wine_here.sh, and keeps its exit
# status in /share/rc.
share=$(mktemp -d "$guest/share.XXXXXX")
trap 'rm -rf "$share"' EXIT
cp "$here/wine_here.sh" "$share/"
cp "$1" "$share/keycode.exe"
if [ "$what" = start ]; then
    # Wine maps programs from their files, and mappings of files on the shared folder are
    # not reliable: keycode.exe runs from a copy in the guest's /tmp.
    printf '%s\n' "${@:2}" >"$share/args"
    cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
cp /share/keycode.exe /tmp/ && cd /tmp
mapfile -t args </share/args
dmesg -n 1
stty sane </dev/console
/share/wine_here.sh "$WINEPREFIX" start keycode.exe "${args[@]}" </dev/console >/dev/console 2>&1
GUEST
    chmod +x "$share/run.sh"
    echo "Starting the guest (a few seconds)..."
    "$here/boot_guest.sh" "$guest" console "$guest/guest.img" "$share"
    exit $(($(cat "$share/rc" 2>/dev/null || echo 255) & 255))
fi

# wine_here.sh copies the case's files off the shared folder before Wine sees them.
cp "$2" "$share/harness.exe"
cp "$3" "$share/cases.txt"
[ -z "${4:-}" ] || cp -r "$4" "$share/examples"
cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
cd /share
examples=
[ -d examples ] && examples=/share/examples
./wine_here.sh "$WINEPREFIX" cases keycode.exe harness.exe cases.txt $examples >report.txt
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
