#!/usr/bin/env bash
# Runs keycode's Wine tests, or keycode itself, wherever Wine can run: with this machine's own
# Wine when its kernel runs 32-bit programs, else in a guest, a Debian under emulation.
# Either way wine_here.sh does the work, here or inside the guest.
# Usage: wine.sh BUILD-DIR prepare
#        wine.sh BUILD-DIR cases KEYCODE.EXE HARNESS.EXE CASES EXAMPLES-DIR STANDIN.EXE
#        wine.sh BUILD-DIR kit KIT-ZIP
#        wine.sh BUILD-DIR start KEYCODE.EXE LAUNCHER.EXE [ARGUMENTS...]
#        wine.sh BUILD-DIR example RELEASE-DIR COMMAND...
set -euo pipefail
usage="usage: wine.sh BUILD-DIR prepare|cases|kit|start|example ..."
[ $# -ge 2 ] || { echo "$usage" >&2 && exit 2; }
build=$(cd "$1" && pwd) what=$2
shift 2
# How many of the arguments after the verb are files the run needs.
case $what in
prepare) files=0 ;; cases) files=5 ;; kit) files=1 ;; start) files=2 ;; example) files=1 ;;
*) echo "$usage" >&2 && exit 2 ;;
esac
[ $# -ge $files ] || { echo "$usage" >&2 && exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
path=$("$here/wine_path.sh")
why="this kernel $([ "$path" = native ] && echo runs || echo "cannot run") 32-bit programs"
[ -z "${KEYCODE_WINE:-}" ] || why="KEYCODE_WINE=$KEYCODE_WINE"
case $what in start | example) ;; *) echo "Wine: $([ "$path" = native ] && echo "this machine's own" ||
    echo "in the guest under emulation") ($why)" ;;
esac

# What this run made goes when it ends, and the terminal is put back as it was found.
kit= share= saved=
cleanup() {
    rm -rf "$kit" "$share"
    [ -z "$saved" ] || { stty "$saved" && printf '\033[?7h\033[?25h' >/dev/tty; }
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
if { [ "$what" = start ] || [ "$what" = example ]; } && [ -t 0 ]; then
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
guest=$cache/wine-guest-$(cat "$here/guest/make_guest.sh" "$here/guest/guest-init" |
    sha256sum | cut -c1-12)
mkdir -p "$cache"
if [ ! -f "$guest/guest.img" ]; then
    for old in "$cache"/wine-guest-*; do
        [ "$old" = "$guest" ] || [ ! -e "$old" ] ||
            echo "The scripts that make the test guest have changed: a new guest replaces $old." >&2
    done
    flock "$cache/making.lock" "$here/guest/make_guest.sh" "$guest" >&2
    # One guest per machine: those that older scripts made go.
    find "$cache" -maxdepth 1 -name 'wine-guest-*' ! -path "$guest" -exec rm -rf {} +
fi
[ "$what" = prepare ] && echo "The guest: $guest ($(du -sh "$guest" | cut -f1))" && exit 0

# The files the run needs go into the shared folder; the guest's init runs /share/run.sh,
# which copies them into the guest (Wine's mappings of files on the shared folder are not
# reliable) and calls the same wine_here.sh with their paths there. Its exit status comes
# back in /share/rc, its output in /share/out and /share/err.
share=$(mktemp -d "$cache/share.XXXXXX")
mkdir "$share/work"
cp "$here/wine_here.sh" "$share/"
args=("$what")
for ((i = 1; i <= $#; i++)); do
    if [ $i -le $files ]; then
        mkdir "$share/work/$i" && cp -r "${!i}" "$share/work/$i/"
        args+=("/tmp/work/$i/$(basename "${!i}")")
    else
        args+=("${!i}")
    fi
done
printf '%s\n' "${args[@]}" >"$share/args"
cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
cp -r /share/work /tmp/work
mapfile -t args </share/args
if [ -f /share/terminal ]; then
    # keycode on this terminal, the guest's second serial port, kept open so that its size
    # stays, every key going to Wine's console; the third port carries standard error.
    read -r rows columns </share/terminal
    stty -F /dev/ttyS2 raw -echo
    exec setsid -c -w bash -c 'stty sane -isig rows "$1" cols "$2"; shift 2; exec "$@"' - \
        "${rows:-24}" "${columns:-80}" /share/wine_here.sh "$WINEPREFIX" "${args[@]}" \
        </dev/ttyS1 >/dev/ttyS1 2>/dev/ttyS2
fi
exec /share/wine_here.sh "$WINEPREFIX" "${args[@]}" </dev/null >/share/out 2>/share/err
GUEST
chmod +x "$share/run.sh"
if [ -n "$saved" ]; then
    stty size 2>/dev/null >"$share/terminal" || echo >"$share/terminal"
    echo "Starting Wine in the guest (about 20 seconds)..." >&2
    "$here/guest/boot_guest.sh" "$guest" console "$guest/guest.img" "$share"
else
    "$here/guest/boot_guest.sh" "$guest" snapshot "$guest/guest.img" "$share"
    if { [ "$what" = cases ] || [ "$what" = kit ]; } && [ ! -s "$share/out" ]; then
        echo "nothing from the guest; its console and log:"
        tail -n 20 "$share/console.log" "$share/run.log" 2>/dev/null || true
    fi
    cat "$share/out" 2>/dev/null || true
    cat "$share/err" >&2 2>/dev/null || true
fi
if ! rc=$(cat "$share/rc" 2>/dev/null); then
    echo "wine.sh: the guest ended without a status; its console and log:" >&2
    tail -n 20 "$share/console.log" "$share/run.log" >&2 2>/dev/null || true
    rc=255
fi
case $what in start | example) exit $((rc & 255)) ;; esac
[ "$rc" = 0 ]
