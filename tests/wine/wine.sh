#!/usr/bin/env bash
# Runs keycode's Wine tests, or keycode itself, wherever Wine can run: with this machine's own
# Wine when its kernel runs 32-bit programs, else in the test guest, a Debian under emulation.
# Either way wine_here.sh does the work, here or inside the guest.
# Usage: wine.sh BUILD-DIR prepare
#        wine.sh BUILD-DIR cases KEYCODE.EXE HARNESS.EXE CASES [EXAMPLES-DIR]
#        wine.sh BUILD-DIR kit KIT-ZIP
#        wine.sh BUILD-DIR start KEYCODE.EXE HARNESS.EXE [ARGUMENTS...]
set -euo pipefail
build=$(cd "$1" && pwd) what=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
path=$("$here/wine_path.sh")
why="this kernel $([ "$path" = native ] && echo runs || echo "cannot run") 32-bit programs"
[ -z "${KEYCODE_WINE:-}" ] || why="KEYCODE_WINE=$KEYCODE_WINE"
[ "$what" = start ] || echo "Wine: $([ "$path" = native ] && echo "this machine's own" ||
    echo "in the test guest under emulation") ($why)"

# What this run made goes when it ends, and the terminal is put back as it was found.
kit= share= saved=
cleanup() {
    rm -rf "$kit" "$share"
    [ -z "$saved" ] || { stty "$saved" && printf '\033[?7h\033[?25h'; }
}
trap cleanup EXIT

# The kit is run as a Windows user would: unzipped into a fresh folder.
if [ "$what" = kit ]; then
    kit=$(mktemp -d)
    (cd "$kit" && cmake -E tar xf "$1")
    set -- "$kit"
fi

# keycode on this terminal: afterwards wrapping and the cursor go back on, which Wine's
# console leaves off. Meanwhile Ctrl+C, Ctrl+\ and Ctrl+Z are keys that go to Wine's console,
# as on Windows, not signals that the terminal sends to Wine's processes.
if [ "$what" = start ] && [ -t 0 ]; then
    saved=$(stty -g)
    stty -isig
fi

if [ "$path" = native ]; then
    "$here/wine_here.sh" "$build/wineprefix" "$what" "$@"
    exit
fi

# The guest is made once per machine, in the user's cache folder, and named after the scripts
# that make it: a change to them makes a new one.
cache=${KEYCODE_GUEST_CACHE:-${XDG_CACHE_HOME:-${HOME:-$build}/.cache}/keycode}
guest=$cache/wine-guest-$(cat "$here/make_guest.sh" "$here/guest-init" | sha256sum | cut -c1-12)
mkdir -p "$cache"
if [ ! -f "$guest/guest.img" ]; then
    flock "$cache/making.lock" "$here/make_guest.sh" "$guest"
    # One guest per machine: those that older scripts made go.
    find "$cache" -maxdepth 1 -name 'wine-guest-*' ! -path "$guest" -exec rm -rf {} +
fi
[ "$what" = prepare ] && echo "The guest: $guest ($(du -sh "$guest" | cut -f1))" && exit 0

# The guest's init runs /share/run.sh, which calls the same wine_here.sh, and keeps its exit
# status in /share/rc.
share=$(mktemp -d "$cache/share.XXXXXX")
cp "$here/wine_here.sh" "$share/"
case $what in start | cases) cp "$1" "$share/keycode.exe" && cp "$2" "$share/harness.exe" ;; esac
case $what in
start)
    # Wine maps programs from their files, and mappings of files on the shared folder are
    # not reliable: keycode.exe runs from a copy in the guest's /tmp. The guest's second
    # serial port is this terminal; its kernel talks only to the first, which goes to a log.
    printf '%s\n' "${@:3}" >"$share/args"
    stty size 2>/dev/null >"$share/size" || true
    cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
cp /share/keycode.exe /share/harness.exe /tmp/ && cd /tmp
mapfile -t args </share/args
read -r rows columns </share/size
# The serial port as this terminal is, kept open so that its size stays, and with every key
# going to Wine's console.
exec setsid -c -w bash -c 'stty sane -isig rows "$1" cols "$2"; shift 2; exec "$@"' - \
    "${rows:-24}" "${columns:-80}" /share/wine_here.sh "$WINEPREFIX" start keycode.exe \
    harness.exe "${args[@]}" </dev/ttyS1 >/dev/ttyS1 2>&1
GUEST
    chmod +x "$share/run.sh"
    echo "Starting keycode in the test guest (about 20 seconds)..."
    "$here/boot_guest.sh" "$guest" console "$guest/guest.img" "$share"
    exit $(($(cat "$share/rc" 2>/dev/null || echo 255) & 255))
    ;;
cases)
    cp "$3" "$share/cases.txt"
    [ -z "${4:-}" ] || cp -r "$4" "$share/examples"
    # wine_here.sh copies the case's files off the shared folder before Wine sees them.
    cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
cd /share
examples=
[ -d examples ] && examples=/share/examples
./wine_here.sh "$WINEPREFIX" cases keycode.exe harness.exe cases.txt $examples >report.txt
GUEST
    ;;
kit)
    cp -r "$1" "$share/kit"
    cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
cp -r /share/kit /tmp/kit
/share/wine_here.sh "$WINEPREFIX" kit /tmp/kit >/share/report.txt
GUEST
    ;;
*) echo "usage: wine.sh BUILD-DIR prepare|cases|kit|start ..." >&2 && exit 2 ;;
esac
chmod +x "$share/run.sh"
"$here/boot_guest.sh" "$guest" snapshot "$guest/guest.img" "$share"
if [ -s "$share/report.txt" ]; then
    cat "$share/report.txt"
else
    echo "no report from the guest; its console and log:"
    tail -n 20 "$share/console.log" "$share/run.log" 2>/dev/null || true
fi
[ "$(cat "$share/rc" 2>/dev/null)" = 0 ]
