#!/usr/bin/env bash
# Runs a file of harness cases, or keycode itself, under Wine on the machine this script is
# on: this machine when its kernel runs 32-bit programs, or the test guest (wine.sh decides).
# Usage: wine_here.sh PREFIX prepare
#        wine_here.sh PREFIX cases KEYCODE.EXE HARNESS.EXE CASES [EXAMPLES-DIR]
#        wine_here.sh PREFIX start KEYCODE.EXE [ARGUMENTS...]
set -uo pipefail
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all
what=$2
shift 2

prepare() { # the prefix, made once
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    echo "Preparing Wine in $WINEPREFIX (once)..."
    if ! timeout 600 wineboot -i >/dev/null 2>&1 || ! timeout 120 wineserver -w; then
        rm -rf "$WINEPREFIX"
        echo "Wine could not prepare its prefix on this machine." >&2
        return 1
    fi
}

case $what in
prepare)
    prepare
    ;;
cases)
    prepare || exit 1
    exe=$1 harness=$2 cases=$3 examples=${4:-}
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # keycode.exe one folder above the examples, as in the release zip.
    cp "$exe" "$work/keycode.exe"
    cp "$harness" "$work/harness.exe"
    cp "$cases" "$work/cases.txt"
    [ -z "$examples" ] || cp -r "$examples" "$work/examples"
    cd "$work"
    # script gives Wine a pseudo-terminal, hence a console. Its input never ends, because
    # script turns the end of its input into Ctrl+D, which would reach the console as keys.
    mkfifo never
    exec 3<>never
    timeout 900 script -qec 'wine harness.exe keycode.exe cases.txt report.txt' /dev/null \
        <&3 >console.out 2>&1
    rc=$?
    if [ -f report.txt ]; then
        cat report.txt
    else
        echo "no report from the harness (status $rc); what it printed:"
        tail -n 20 console.out
        timeout 30 wineserver -k 2>/dev/null
    fi
    exit $rc
    ;;
start)
    prepare || exit 1
    wine "$@" 2>/dev/null
    status=$?
    echo
    echo "keycode ended with status $status"
    exit $status
    ;;
*)
    echo "usage: wine_here.sh PREFIX prepare|cases|start ..." >&2
    exit 2
    ;;
esac
