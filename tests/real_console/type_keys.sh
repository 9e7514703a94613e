#!/usr/bin/env bash
# keycode as a person uses it: started in a tmux pane as scripts/run starts it (the launcher
# under Wine, this machine's or the guest's with a serial port on the pane), real keys typed
# with send-keys, the screen read with capture-pane, the pane's terminal state checked after.
# Then a key typed while keywait.exe waits.
# Usage: type_keys.sh BUILD-DIR KEYCODE.EXE LAUNCHER.EXE KEYWAIT.EXE
set -u
build=$1 exe=$2 launcher=$3 keywait=$4
here=$(cd "$(dirname "$0")" && pwd)
wine_sh=$here/../../scripts/wine/wine.sh
. "$here/../support/checks.sh"
echo "Wine: $("$(dirname "$wine_sh")/wine_path.sh")${KEYCODE_WINE:+ (KEYCODE_WINE=$KEYCODE_WINE)}"
session=keycode-test-$$
# A tmux server of the test's own, with no configuration: the caller's server and
# ~/.tmux.conf (a prefix key, a size, a hook) stay out of it. Ended with the test.
tmux() { command tmux -L "$session" -f /dev/null "$@"; }
trap 'tmux kill-server 2>/dev/null' EXIT
screen() { tmux capture-pane -p -t "$session" -S -50 | tr -d '\n'; }
wait_for() { # text, seconds
    for _ in $(seq "$2"); do
        screen | grep -q -- "$1" && return 0
        sleep 1
    done
    return 1
}
start_program() { # program, its arguments
    tmux kill-session -t "$session" 2>/dev/null
    tmux new-session -d -s "$session" -x 120 -y 30 \
        "KEYCODE_WINE=$(printf '%q ' "${KEYCODE_WINE:-}")bash $(printf '%q ' "$wine_sh" "$build" \
            start "$1" "$launcher" "${@:2}"); sleep 60"
}
on_screen() { screen | grep -q -E -- "$1" || { screen && echo && return 1; }; }
not_on_screen() { ! screen | grep -q -E -- "$1" || { screen && echo && return 1; }; }
pane_is() { [ "$(tmux display -p -t "$session" "$1")" = "$2" ]; } # tmux format, value

expected_banner banner
banner=${banner%$'\r\n'}
start_program "$exe"
wait_for "$banner" 300
check "banner shown" on_screen "$(sed 's/[.]/\\./g' <<<"$banner")"
tmux send-keys -t "$session" a
wait_for " 2006141\| 2206141" 30
tmux send-keys -t "$session" B
wait_for "4242" 30
tmux send-keys -t "$session" C-a
wait_for "0141" 30
tmux send-keys -t "$session" Escape
wait_for "keycode ended with status" 60
check "a typed shows 'a' on key A" on_screen " 2[0-9a-f]{2}6141"
check "B typed shows Shift then 'B'" on_screen " 2[0-9a-f]{2}4242"
check "Ctrl+A reaches keycode: A with character 1 and LeftCtrl" on_screen " 2[0-9a-f][89a-f]0141"
check "Esc shown and ends with status 0" on_screen \
    " 2[0-9a-f]{4}1b.*keycode ended with status 0 \(Esc was shown\)"
check "line wrapping on afterwards" pane_is "#{wrap_flag}" 1
check "cursor shown afterwards" pane_is "#{cursor_flag}" 1

started=$SECONDS
start_program "$exe" '*'
wait_for "waiting for a key press" 300
took=$((SECONDS - started))
check "return mode says when keys reach keycode" on_screen "waiting for a key press"
tmux send-keys -t "$session" q
wait_for "keycode ended with status" 60
check "q in return mode: the full status, in words" on_screen \
    "keycode ended with status 0x02[0-9a-f]{2}7151 \(press  Q  char 'q'"
# keywait says nothing while it waits: the key is typed once its process has been up a while,
# so that it comes while keywait waits, not before it started. Here its process is seen; in
# the guest it is not, and the key waits twice as long as keycode took to start above.
start_program "$keywait" 150000
if [ "$("$(dirname "$wine_sh")/wine_path.sh")" = native ]; then
    for _ in $(seq 300); do
        pgrep -f 'keywait.exe"? 150000' >/dev/null && break
        sleep 1
    done
else
    sleep $((2 * took + 5))
fi
sleep 3
check "keywait still waits before the key is typed" not_on_screen "ended with status"
tmux send-keys -t "$session" q
wait_for "ended with status" 120
check "q typed while keywait waits ends the wait with its code" on_screen \
    "ended with status 0x02[0-9a-f]{2}7151"
check "nothing from a guest's kernel or firmware" not_on_screen \
    "SeaBIOS|iPXE|sysrq|reboot:|\[ *[0-9]+\.[0-9]+\]"
finish
