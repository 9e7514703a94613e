#!/usr/bin/env bash
# Runs one verb with the Wine of the machine this script is on: this machine when its kernel
# runs 32-bit programs, else the test guest, where wine.sh copies it. The table below is the
# one list of verbs; the files a verb takes come first, and wine.sh asks how many there are.
# Usage: run_verb.sh PREFIX VERB ARGUMENT...
#        run_verb.sh --files VERB     prints how many of VERB's arguments are files
# Verbs, and their arguments (files first):
#   prepare                                              the Wine prefix, made once
#   cases KEYCODE.EXE HARNESS.EXE CASES EXAMPLES-DIR STANDIN.EXE   one case table
#   kit KIT-DIR                                          the test kit's run.cmd
#   start KEYCODE.EXE LAUNCHER.EXE [ARGUMENT...]         keycode on this terminal
#   example RELEASE-DIR COMMAND...                       a batch example under cmd.exe
#   typed CONSOLECHECK.EXE KEYCODE.EXE KEYS               consolecheck in Wine's windowed
#                                                        console on Xvfb, keys from xdotool
set -uo pipefail
VERBS=(prepare:0 cases:5 kit:1 start:2 example:1 typed:3) # each verb, and how many files it takes
files_of() {
    local verb
    for verb in "${VERBS[@]}"; do
        [ "${verb%:*}" = "$1" ] && echo "${verb#*:}" && return 0
    done
    return 1
}
usage() {
    local IFS='|'
    echo "usage: run_verb.sh PREFIX ${VERBS[*]%:*} ARGUMENT..., or run_verb.sh --files VERB" >&2
    exit 2
}
if [ "${1:-}" = --files ]; then
    files_of "${2:-}" || usage
    exit 0
fi
files=$(files_of "${2:-}") && [ $(($# - 2)) -ge "$files" ] || usage
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all
what=$2
shift 2

prepare() { # the prefix, made once
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    echo "Preparing Wine in $WINEPREFIX (once)..." >&2
    if ! timeout 600 wineboot -i >/dev/null 2>&1 || ! timeout 120 wineserver -w; then
        rm -rf "$WINEPREFIX"
        echo "Wine could not prepare its prefix on this machine." >&2
        return 1
    fi
}

# Runs a command under script, which gives Wine a pseudo-terminal and so a console, in the
# current folder, and prints the report it leaves there, whole or not. Its input never ends,
# because script turns the end of its input into Ctrl+D, which would reach the console as
# keys. On a failure it says why and ends every Wine process, which a killed script leaves.
# Usage: on_console SECONDS COMMAND REPORT
on_console() {
    local scratch rc
    scratch=$(mktemp -d)
    mkfifo "$scratch/never"
    exec 3<>"$scratch/never"
    timeout "$1" script -qec "$2" /dev/null <&3 >"$scratch/console.out" 2>&1
    rc=$?
    exec 3>&-
    [ ! -f "$3" ] || cat "$3"
    if [ $rc = 124 ]; then
        echo "timed out after $1 s: the report above is cut short; Wine's processes are ended"
    elif [ $rc != 0 ] && [ ! -f "$3" ]; then
        echo "no report from the harness (status $rc); what it printed:"
        tail -n 20 "$scratch/console.out"
    fi
    [ $rc = 0 ] || timeout 30 wineserver -k 2>/dev/null
    rm -rf "$scratch"
    return $rc
}

# consolecheck as a person runs it: typed at cmd's prompt in Wine's windowed console on a
# virtual X display, then each line of KEYS (xdotool's commands, one line a step) typed once
# the report has the line before it. Prints how it ends with standard input from a file,
# then the report; every wait is bounded.
# Usage: typed CONSOLECHECK.EXE KEYCODE.EXE KEYS
typed() {
    local work xvfb display window= keys step=0 lines rc=0
    work=$(mktemp -d)
    cp "$1" "$work/consolecheck.exe" && cp "$2" "$work/keycode.exe" && cp "$3" "$work/keys" || return 1
    # Xvfb picks a free display and writes its number to the pipe given.
    Xvfb -displayfd 5 -nolisten tcp -screen 0 1024x768x24 5>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.2; done
    display=:$(head -n 1 "$work/display")
    export DISPLAY=$display
    # Wine's desktop takes the display its first process had: a Wine left from a run without
    # one is waited out first.
    timeout 30 wineserver -w
    # Standard input from a file: refused at once, with a message and a status.
    (cd "$work" && timeout 60 wine consolecheck.exe <keys >file.out 2>&1)
    echo "from a file: status $? $(tr -d '\r' <"$work/file.out" | head -n 1)"
    # wineconsole's own window, cmd in it, in the folder of the programs.
    (cd "$work" && exec timeout 300 wine wineconsole cmd) >/dev/null 2>&1 &
    for _ in $(seq 60); do
        window=$(xdotool search --name 'cmd\.exe' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 1
    done
    if [ -z "$window" ]; then
        echo "no console window on $display within 60 s"
        rc=1
    else
        xdotool windowfocus "$window"
        sleep 1
        xdotool type --delay 50 consolecheck.exe
        xdotool key Return
        while IFS= read -r keys; do
            step=$((step + 1))
            # The report's header and a line a step before it: then the step's prompt is up.
            for _ in $(seq 150); do
                lines=$( (grep -c '^[A-Z].*; row ' "$work/consolecheck.txt" || true) 2>/dev/null)
                [ "${lines:-0}" -ge "$step" ] && break
                sleep 0.2
            done
            sleep 0.5
            # shellcheck disable=SC2086
            xdotool $keys
        done <"$work/keys"
        # The last step's line, then the program's end.
        for _ in $(seq 150); do
            lines=$( (grep -c '^[A-Z].*; row ' "$work/consolecheck.txt" || true) 2>/dev/null)
            [ "${lines:-0}" -gt "$step" ] && break
            sleep 0.2
        done
        cat "$work/consolecheck.txt" 2>/dev/null || { echo "no report written" && rc=1; }
    fi
    timeout 30 wineserver -k 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    rm -rf "$work"
    return $rc
}

case $what in
prepare)
    prepare
    ;;
cases)
    prepare || exit 1
    exe=$1 harness=$2 cases=$3 examples=$4 standin=$5
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # keycode.exe one folder above the examples, as in the release zip; the table under its
    # own name, which the harness's messages give.
    cp "$exe" "$work/keycode.exe"
    cp "$harness" "$work/harness.exe"
    cp "$standin" "$work/standin.exe"
    cp "$cases" "$work/"
    cp -r "$examples" "$work/examples"
    cd "$work"
    on_console 900 "wine harness.exe keycode.exe report.txt $(basename "$cases")" report.txt
    ;;
kit)
    prepare || exit 1
    # The kit as a Windows user runs it: run.cmd under cmd.exe, in the kit's own folder.
    cd "$1"
    on_console 1500 'wine cmd /c run.cmd' report.txt
    ;;
start)
    prepare || exit 1
    # The launcher starts keycode on this console and tells its full 32-bit status on
    # standard error; wine itself hands on only the low byte.
    exe=$1 launcher=$2
    shift 2
    wine "$launcher" "$exe" "$@"
    ;;
typed)
    prepare || exit 1
    typed "$@"
    ;;
example)
    prepare || exit 1
    # A batch example under Wine's cmd on this console, in the examples folder of a release.
    cd "$1/examples" || exit 1
    shift
    wine cmd /c "$@"
    rc=$?
    echo "cmd ended with status $rc" >&2
    exit $rc
    ;;
esac
