#!/usr/bin/env bash
# consolecheck as a person runs it, under Wine: refused with standard input from a file; then
# in Wine's windowed console on a virtual X display, from a folder named outside the ANSI code
# page, with each step's keys typed by xdotool (consolecheck.keys), the report has every
# step's line and names the console each one matched. Then (consolecheck-esc.keys): with
# standard output to a file, Esc at the second step ends it there and the file gets nothing;
# started in a console of its own (`start`, as a double click), it waits for a key at the
# end, and a keycode run killed at the time limit does not take that key; Ctrl+C outside its
# step ends the check (and, under Wine, cmd too).
# Wine's windowed console needs X, which the test guest has not: there it is skipped.
# Usage: consolecheck.sh BUILD-DIR CONSOLECHECK.EXE KEYCODE.EXE KEYS
set -u
build=$1 exe=$2 keycode=$3 keys=$4
here=$(cd "$(dirname "$0")" && pwd)
wine=$here/../../scripts/wine
. "$here/../support/checks.sh"
if [ "$("$wine/wine_path.sh")" != native ]; then
    echo "skipped: Wine's windowed console needs an X display, and the test guest has none"
    exit 77
fi
report=$(timeout 600 bash "$wine/wine.sh" "$build" typed "$exe" "$keycode" "$keys")
echo "$report"
# Each step, and what its line must say, under Wine's windowed console with X's keys. Ctrl+C
# ends keycode with 0 under Wine 8.0 and with 0xC000013A, as on Windows, under Wine 10.0.
STEPS=(
    "Enter release at the start|the Enter release arrived, as Wine's console"
    "Esc's character|Esc carries character 1b, as .*Wine's console window"
    "Up, Home, End|ENHANCED_KEY .*on all three.*, as .*Wine's console window"
    "Right Alt|ENHANCED_KEY on press and release, as .*Wine's console window"
    "AltGr|skipped"
    "Pause, then A, B|Pause and the key after it arrived, as Wine's console"
    "Pause under keycode \*|keycode \* gave Pause's own code, as Wine's console"
    "Ctrl+S, then A, B|Ctrl+S and the key after it arrived, as Wine's console"
    "Ctrl+S under keycode \*|keycode \* gave Ctrl+S's own code, as Wine's console"
    "A held down|each repeat a record of its own, repeat count 1, as Wine's console window"
    "Release with Shift held|the A release arrived while Shift was held, as Wine's console"
    "Windows key chord|own press, no Windows-key state bits, as .*Wine's console window"
    "Ctrl+C under keycode \*|keycode \* 2080011 \(0000000 .*status 0, as Wine's console window\|000013a .*status 0xC000013A, as Windows'\)"
)
check "standard input from a file: refused with a message and status 2" grep -q \
    "^from a file: status 2 consolecheck: standard input is not a console" <<<"$report"
check "the report names Wine" grep -q "^Windows: .*(Wine " <<<"$report"
check "... its console window's class" grep -q \
    "^Console: *window class WineConsoleClass" <<<"$report"
check "... and cmd as what started it" grep -q "^Started by: *cmd.exe"$'\r' <<<"$report"
check "... the console window's keyboard layout" grep -q \
    "^Keyboard: *layout [0-9a-f]\{8\}, the console window's" <<<"$report"
check "... from a folder named \"Müller Ω\": written there, keycode.exe found" grep -q \
    "^keycode: *keycode.exe found beside the check" <<<"$report"
for step in "${STEPS[@]}"; do
    name=${step%%|*}
    check "$name: ${step#*|}" grep -q -- "^${name}: .*${step#*|}" <<<"$report"
done
check "each prompt the keys wait for came" [ -z "$(grep '^no window title' <<<"$report")" ]
check "a line for every step, no more" [ "$(grep -c '; row "' <<<"$report")" = ${#STEPS[@]} ]
# Three runs in one console window, one after the other.
report=$(timeout 600 bash "$wine/wine.sh" "$build" typed "$exe" "$keycode" "${keys%.keys}-esc.keys")
echo "$report"
# Esc where it is not the key asked for ends the check there, with the report so far.
check "Esc at the second step ends the check there" grep -q \
    '^Esc: the check ends here, at step "Up, Home, End"' <<<"$report"
check "... after that step's line, and none after" [ "$(grep -B 1 -A 1 '^Esc: ' <<<"$report" |
    cut -d: -f1 | tr '\n' '|')" = "Up, Home, End|Esc|out.txt|" ]
check "... standard output to a file: none of it in the file" grep -q '^out.txt: 0 bytes' \
    <<<"$report"
check "In a console of its own: it says so" grep -q \
    "^Started by: .*, on a console of its own" <<<"$report"
check "... step 1 is not judged as a shell's" grep -q \
    "^Enter release at the start: .*not judged: the check has a console of its own" <<<"$report"
check "... its window stays open after the report" grep -q \
    "^own window after the report: open" <<<"$report"
check "... a keycode run killed at the time limit" grep -q \
    '^Ctrl+C under keycode \*: keycode \* (still waiting)' <<<"$report"
check "... takes no key: the first key closes the window" grep -q \
    "^own window after a key: closed" <<<"$report"
check "Ctrl+C outside its step ends the check there" grep -q \
    '^Ctrl+C: the check ends here, at step "Right Alt"' <<<"$report"
finish
