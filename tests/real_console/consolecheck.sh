#!/usr/bin/env bash
# consolecheck as a person runs it, under Wine: refused with standard input from a file; then
# in Wine's windowed console on a virtual X display, from a folder named outside the ANSI code
# page, with each step's keys typed by xdotool (consolecheck.keys), the report has every
# step's line and names the console each one matched. Then (consolecheck-esc.keys): with
# standard output to a file, Esc at the second step ends it there and the file gets nothing;
# started in a console of its own (`start`, as a double click), it waits at the end for a key
# other than a modifier, and a keycode run killed at the time limit does not take that key;
# there, Ctrl+C outside its step ends the check and the window waits too; in cmd's window,
# Ctrl+C outside its step ends the check (and, under Wine, cmd too).
# Wine's windowed console needs X, which the test guest has not: there it is skipped.
# Usage: consolecheck.sh BUILD-DIR CONSOLECHECK.EXE KEYCODE.EXE KEYS
set -u
build=$1 exe=$2 keycode=$3 keys=$4
here=$(cd "$(dirname "$0")" && pwd)
wine=$here/../../scripts/wine
. "$here/../support/checks.sh"
has() { grep -q -- "$1" <<<"$report"; } # the report has a line that PATTERN matches
if [ "$("$wine/wine_path.sh")" != native ]; then
    echo "skipped: Wine's windowed console needs an X display, and the test guest has none"
    exit 77
fi
report=$(timeout 600 bash "$wine/wine.sh" "$build" typed "$exe" "$keycode" "$keys")
echo "$report"
# Each step, and the id of the verdict its line must give (verdict.cpp gives the words), under
# Wine's windowed console with X's keys. Ctrl+C ends keycode with 0 under Wine 8.0 and with
# 0xC000013A, as on Windows, under Wine 10.0.
STEPS=(
    "Enter release at the start|enter:arrived"
    "Esc's character|esc:1b"
    "Up, Home, End|nav:\(enhanced\|no-numlock\)"
    "Right Alt|ralt:enhanced"
    "AltGr|skipped"
    "Pause, then A, B|pause:shown"
    "Pause under keycode \*|keycode-pause:own"
    "Ctrl+S, then A, B|ctrl-s:shown"
    "Ctrl+S under keycode \*|keycode-ctrl-s:own"
    "A held down|held:each"
    "Release with Shift held|shift:arrived"
    "Windows key chord|win:own-press"
    "Ctrl+C under keycode \*|ctrl-c:\(status-0\|c000013a\)"
)
check "standard input from a file: refused with a message and status 2" has \
    "^from a file: status 2 consolecheck: standard input is not a console"
check "the report names Wine" has "^Windows: .*(Wine "
check "... its console window's class" has "^Console: *window class WineConsoleClass"
check "... and cmd as what started it" has "^Started by: *cmd.exe"$'\r'
check "... the keyboard layout, its KLID, and whose it is" has \
    "^Keyboard: *layout [0-9a-f]\{8\}, KLID [0-9A-F]\{8\}: that of .*'s thread, which Windows names as the console window's owner"
check "... from a folder named \"Müller Ω\": written there, keycode.exe found" has \
    "^keycode: *keycode.exe found beside the check"
for step in "${STEPS[@]}"; do
    name=${step%%|*}
    check "$name: ${step#*|}" has "^${name}: .*; row \"[^\"]*\": \[${step#*|}\] "
done
check "Ctrl+C under keycode *: the Ctrl press came first" has \
    '^Ctrl+C under keycode \*: keycode \* 2080011 '
check "each prompt the keys wait for came" [ -z "$(grep '^no window title' <<<"$report")" ]
check "a line for every step, no more" [ "$(grep -c '; row "' <<<"$report")" = ${#STEPS[@]} ]
# Three runs in one console window, one after the other.
report=$(timeout 600 bash "$wine/wine.sh" "$build" typed "$exe" "$keycode" "${keys%.keys}-esc.keys")
echo "$report"
# Esc where it is not the key asked for ends the check there, with the report so far.
check "Esc at the second step ends the check there" has \
    '^Esc: the check ends here, at step "Up, Home, End"'
check "... after that step's line, and none after" [ "$(grep -B 1 -A 1 '^Esc: ' <<<"$report" |
    cut -d: -f1 | tr '\n' '|')" = "Up, Home, End|Esc|out.txt|" ]
check "... standard output to a file: none of it in the file" has '^out.txt: 0 bytes'
check "In a console of its own: it says so" has "^Started by: .*, on a console of its own"
check "... step 1 is not judged as a shell's" has \
    "^Enter release at the start: .*\[enter:own-console\]"
check "... its window stays open after the report" has "^own window after the report: open"
check "... and after a Shift press" has "^own window after Shift: open"
check "... a keycode run killed at the time limit" has \
    '^Ctrl+C under keycode \*: keycode \* (still waiting)'
check "... takes no key: the first key closes the window" has "^own window after a key: closed"
check "... and after Ctrl+C ended the check there" [ "$(grep -A 1 \
    '^Ctrl+C: the check ends here, at step "Esc' <<<"$report" | tail -n 1)" = \
    "own window after the report: open" ]
check "Ctrl+C outside its step ends the check there" has \
    '^Ctrl+C: the check ends here, at step "Right Alt"'
finish
