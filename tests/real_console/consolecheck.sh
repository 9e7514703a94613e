#!/usr/bin/env bash
# consolecheck as a person runs it, under Wine: refused with standard input from a file; then
# in Wine's windowed console on a virtual X display, with each step's keys typed by xdotool
# (consolecheck.keys), the report has every step's line and names the console each one
# matched; with Esc at the second step (consolecheck-esc.keys) it ends there. Wine's
# windowed console needs X, which the test guest has not: there it is skipped.
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
line() { grep -F -- "$1:" <<<"$report" | head -n 1; }
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
check "... and cmd as what started it" grep -q "^Started by: *cmd.exe" <<<"$report"
for step in "${STEPS[@]}"; do
    name=${step%%|*}
    check "$name: ${step#*|}" grep -q -- "^${name}: .*${step#*|}" <<<"$report"
done
check "a line for every step, no more" [ "$(grep -c '; row "' <<<"$report")" = ${#STEPS[@]} ]
# Esc where it is not the key asked for ends the check there, with the report so far.
report=$(timeout 600 bash "$wine/wine.sh" "$build" typed "$exe" "$keycode" "${keys%.keys}-esc.keys")
echo "$report"
check "Esc at the second step ends the check there" grep -q \
    '^Esc: the check ends here, at step "Up, Home, End"' <<<"$report"
check "... after that step's line, and none after" [ "$(tail -n 2 <<<"$report" | head -n 1 |
    cut -d: -f1)" = "Up, Home, End" ]
finish
