#!/usr/bin/env bash
# Runs one of keycode's Wine verbs (run_verb.sh lists them) wherever Wine can run: with this
# machine's own Wine when its kernel runs 32-bit programs, else in the test guest. Either way
# run_verb.sh does the work; this script picks the path, unzips the kit, and keeps the
# terminal as it found it.
# Usage: wine.sh BUILD-DIR VERB ARGUMENT...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# The verb, and at least the files it takes (run_verb.sh's table says how many).
files=$([ $# -ge 2 ] && "$here/run_verb.sh" --files "$2" 2>/dev/null) &&
    [ $(($# - 2)) -ge "$files" ] ||
    { echo "usage: wine.sh BUILD-DIR VERB ARGUMENT... (verbs: run_verb.sh)" >&2 && exit 2; }
build=$(cd "$1" && pwd) what=$2
shift 2
path=$("$here/wine_path.sh")
why="this kernel $([ "$path" = native ] && echo runs || echo "cannot run") 32-bit programs"
[ -z "${KEYCODE_WINE:-}" ] || why="KEYCODE_WINE=$KEYCODE_WINE"
case $what in start | example) ;; *) echo "Wine: $([ "$path" = native ] && echo "this machine's own" ||
    echo "in the guest under emulation") ($why)" ;;
esac

# What this run made goes when it ends, and the terminal is put back as it was found.
kit= saved=
cleanup() {
    rm -rf "$kit"
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

set +e
if [ "$path" = native ]; then
    "$here/run_verb.sh" "$build/wineprefix" "$what" "$@"
else
    "$here/guest/in_guest.sh" "$([ -n "$saved" ] && echo terminal || echo files)" "$what" "$@"
fi
rc=$?
set -e
case $what in start | example) exit $((rc & 255)) ;; esac
[ "$rc" = 0 ]
