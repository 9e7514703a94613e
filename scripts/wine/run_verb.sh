#!/usr/bin/env bash
# Runs one verb with the Wine of the machine this script is on: this machine when its kernel
# runs 32-bit programs, else the test guest, where wine.sh copies it. The table below is the
# one list of verbs; the files a verb takes come first, and wine.sh asks how many there are.
# Usage: run_verb.sh PREFIX VERB ARGUMENT...
#        run_verb.sh --files VERB     prints how many of VERB's arguments are files
# Verbs, and their arguments (files first):
#   prepare                                              the Wine prefix, made once
#   cases KEYCODE.EXE HARNESS.EXE CASES EXAMPLES-DIR STANDIN.EXE KEYWAIT.EXE   one case table
#   kit KIT-DIR                                          the test kit's run.cmd
#   start KEYCODE.EXE LAUNCHER.EXE [ARGUMENT...]         keycode on this terminal
#   example RELEASE-DIR COMMAND...                       a batch example under cmd.exe
#   typed CONSOLECHECK.EXE KEYCODE.EXE KEYS               consolecheck in Wine's windowed
#                                                        console on Xvfb, keys from xdotool
set -uo pipefail
VERBS=(prepare:0 cases:6 kit:1 start:2 example:1 typed:3) # each verb, and how many files it takes
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

# A run that may have to end Wine's processes does so in a prefix of its own: a copy of the
# prepared one, with a wineserver of its own, so that ending them never touches another run
# (ctest -j runs the tables side by side). When the run ends, its wineserver is given a minute
# to end by itself, then ended, and the copy goes. In the test guest, which boots a snapshot
# for each run, the prefix is the run's own already (KEYCODE_PREFIX_ALONE).
copy=
own_prefix() {
    [ -z "${KEYCODE_PREFIX_ALONE:-}" ] || return 0
    copy=$(mktemp -d "$WINEPREFIX.run.XXXXXX") && cp -a "$WINEPREFIX/." "$copy/" &&
        export WINEPREFIX=$copy && return 0
    echo "Could not copy the Wine prefix $WINEPREFIX for this run (above)." >&2
    return 1
}
leftovers=()
finish() {
    if [ -n "$copy" ]; then
        WINEPREFIX=$copy timeout 60 wineserver -w 2>/dev/null ||
            WINEPREFIX=$copy timeout 30 wineserver -k 2>/dev/null
        rm -rf "$copy"
    fi
    [ ${#leftovers[@]} = 0 ] || rm -rf "${leftovers[@]}"
}
trap finish EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Runs a command under script, which gives Wine a pseudo-terminal and so a console, in the
# current folder, and prints the report it leaves there, whole or not. Its input never ends,
# because script turns the end of its input into Ctrl+D, which would reach the console as
# keys. After a time-out, or when no report came, it says why and ends the Wine processes of
# this run's own prefix (own_prefix), which a killed script leaves; a report of failed rows
# is no reason to. Usage: on_console SECONDS COMMAND REPORT
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
        echo "timed out after $1 s: the report above is cut short; this run's Wine processes are ended"
    elif [ ! -f "$3" ]; then
        echo "no report (status $rc); this run's Wine processes are ended; what it printed:"
        tail -n 20 "$scratch/console.out"
    fi
    if [ $rc = 124 ] || [ ! -f "$3" ]; then
        timeout 30 wineserver -k 2>/dev/null
        # No report is a failure, whatever status the command ended with.
        [ $rc != 0 ] || rc=1
    fi
    rm -rf "$scratch"
    return $rc
}

# consolecheck as a person runs it: in Wine's windowed console on a virtual X display, from
# a folder whose name has a letter outside the ANSI code page. KEYS: a line `run COMMAND`
# types COMMAND at cmd's prompt (`start ...`: in a console window of its own, which then
# takes the keys); `when PATTERN COMMANDS...` types the commands into the step before once
# the window's title matches PATTERN (a prompt the check also puts there); each other line
# (xdotool's commands, one line a step) is typed once the report has the line before it.
# Prints how it ends with standard input from a file, then each run's report, what it wrote
# to out.txt, and for a window of its own whether it stays open after the report and after
# Shift, and closes at a key. It runs in this run's own prefix (own_prefix), whose wineserver
# takes this run's display, and whose processes it ends at the end: the console window's cmd
# never ends by itself. Every wait is bounded.
# Usage: typed CONSOLECHECK.EXE KEYCODE.EXE KEYS
typed_work= typed_xvfb=
typed_cleanup() {
    timeout 30 wineserver -k 2>/dev/null
    [ -z "$typed_xvfb" ] || { kill "$typed_xvfb" 2>/dev/null && wait "$typed_xvfb" 2>/dev/null; }
    finish
}
report_lines() { # the step lines in the report so far
    local n
    n=$(grep -c '^[A-Z].*; row ' "$typed_work/consolecheck.txt" 2>/dev/null)
    echo "${n:-0}"
}
window_state() { xdotool getwindowname "$1" >/dev/null 2>&1 && echo open || echo closed; }
typed_run= typed_step=0 typed_own= typed_rc=0
end_run() { # the run's last step line, then its report, and its own window's state
    [ -n "$typed_run" ] || return 0
    for _ in $(seq 150); do
        [ "$(report_lines)" -gt "$typed_step" ] && break
        sleep 0.2
    done
    sleep 1
    cat consolecheck.txt 2>/dev/null || { echo "no report written" && typed_rc=1; }
    rm -f consolecheck.txt
    [ ! -f out.txt ] || { echo "out.txt: $(wc -c <out.txt) bytes" && rm -f out.txt; }
    [ -n "$typed_own" ] || return 0
    echo "own window after the report: $(window_state "$typed_own")"
    xdotool key shift
    sleep 2
    echo "own window after Shift: $(window_state "$typed_own")"
    xdotool key Return
    sleep 2
    echo "own window after a key: $(window_state "$typed_own")"
    # Wine takes cmd's window back as the one typed into at a click, not at the focus alone.
    xdotool mousemove --window "$window" 20 20 click 1 windowfocus "$window"
    sleep 0.5
}
typed() {
    local window= keys top pattern try
    trap typed_cleanup EXIT
    top=$(mktemp -d)
    leftovers+=("$top")
    typed_work="$top/Müller Ω"
    mkdir "$typed_work" && cp "$1" "$typed_work/consolecheck.exe" &&
        cp "$2" "$typed_work/keycode.exe" && cp "$3" "$typed_work/keys" || return 1
    # Xvfb picks a free display and writes its number to the descriptor given.
    Xvfb -displayfd 5 -nolisten tcp -screen 0 1024x768x24 5>"$typed_work/display" \
        >/dev/null 2>&1 &
    typed_xvfb=$!
    for _ in $(seq 50); do [ -s "$typed_work/display" ] && break; sleep 0.2; done
    [ -s "$typed_work/display" ] || { echo "Xvfb did not start within 10 s" && return 1; }
    export DISPLAY=:$(head -n 1 "$typed_work/display")
    cd "$typed_work" || return 1
    # Standard input from a file: refused at once, with a message and a status.
    timeout 60 wine consolecheck.exe <keys >file.out 2>&1
    echo "from a file: status $? $(tr -d '\r' <file.out | head -n 1)"
    # wineconsole's own window, cmd in it, in the folder of the programs.
    timeout 300 wine wineconsole cmd >/dev/null 2>&1 &
    for _ in $(seq 60); do
        window=$(xdotool search --name 'cmd[.]exe' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 1
    done
    [ -n "$window" ] || { echo "no console window on $DISPLAY within 60 s" && return 1; }
    xdotool windowfocus "$window"
    sleep 1
    while IFS= read -r keys; do
        if [ "${keys%% *}" = run ]; then
            end_run
            typed_run=${keys#run } typed_step=0 typed_own=
            xdotool type --delay 50 "$typed_run"
            xdotool key Return
            [ "${typed_run%% *}" = start ] || continue
            for _ in $(seq 60); do
                typed_own=$(xdotool search --name consolecheck 2>/dev/null | grep -vx "$window" |
                    head -n 1)
                [ -n "$typed_own" ] && break
                sleep 0.5
            done
            [ -n "$typed_own" ] || { echo "no window of its own within 30 s" && return 1; }
            xdotool windowfocus "$typed_own"
            continue
        fi
        if [ "${keys%% *}" = when ]; then
            keys=${keys#when } pattern=${keys%% *} keys=${keys#* }
            for try in $(seq 151); do
                xdotool getwindowname "${typed_own:-$window}" 2>/dev/null | grep -q -- "$pattern" &&
                    break
                [ "$try" = 151 ] && echo "no window title matching $pattern within 30 s"
                sleep 0.2
            done
        else
            typed_step=$((typed_step + 1))
            # The header and a line a step before this one: then this step's prompt is up.
            for _ in $(seq 150); do
                [ "$(report_lines)" -ge "$typed_step" ] && break
                sleep 0.2
            done
            sleep 0.5
        fi
        # shellcheck disable=SC2086
        timeout 60 xdotool $keys
    done <keys
    end_run
    return $typed_rc
}

case $what in
prepare)
    prepare
    ;;
cases)
    prepare && own_prefix || exit 1
    exe=$1 harness=$2 cases=$3 examples=$4 standin=$5 keywait=$6
    work=$(mktemp -d)
    leftovers+=("$work")
    # keycode.exe one folder above the examples, as in the release zip; the table under its
    # own name, which the harness's messages give.
    cp "$exe" "$work/keycode.exe"
    cp "$keywait" "$work/keywait.exe"
    cp "$harness" "$work/harness.exe"
    cp "$standin" "$work/standin.exe"
    cp "$cases" "$work/"
    cp -r "$examples" "$work/examples"
    cd "$work" || exit 1
    # The tables start from code page 65001 and the kit from 437, so that the harness's own
    # setting (run_row.h) is tried from both every time; it says what it found.
    table=$(basename "$cases")
    on_console 900 "wine cmd /d /c \"chcp 65001 >nul & harness.exe keycode.exe report.txt $table\"" \
        report.txt
    ;;
kit)
    prepare && own_prefix || exit 1
    # The kit as a Windows user runs it: run.cmd under cmd.exe, in the kit's own folder.
    cd "$1" || exit 1
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
    prepare && own_prefix || exit 1
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
