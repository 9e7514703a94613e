#!/usr/bin/env bash
# keycode as a person uses it: started in a tmux pane under Wine (this machine's, or the test
# guest's with its console on the pane), real keys typed with send-keys, the screen read with
# capture-pane. Usage: type_keys.sh BUILD-DIR KEYCODE.EXE
set -u
build=$1 exe=$2
here=$(cd "$(dirname "$0")" && pwd)
echo "Wine: $("$here/../wine/wine_path.sh")${KEYCODE_WINE:+ (KEYCODE_WINE=$KEYCODE_WINE)}"
session=keycode-test-$$
screen() { tmux capture-pane -p -t "$session" -S -50 | tr -d '\n'; }
wait_for() { # text, seconds
    for _ in $(seq "$2"); do
        screen | grep -q -- "$1" && return 0
        sleep 1
    done
    return 1
}
tmux new-session -d -s "$session" -x 120 -y 30 \
    "KEYCODE_WINE=${KEYCODE_WINE:-} bash $here/../wine/wine.sh $build start $exe; sleep 30"
trap 'tmux kill-session -t "$session" 2>/dev/null' EXIT
failed=0
check() { # name, pattern
    if screen | grep -q -E -- "$2"; then echo "ok   $1"; else echo "FAIL $1"; failed=$((failed + 1)); fi
}
wait_for "Displays keystroke events." 300
check "banner shown" "Displays keystroke events\.  <Esc> to exit\.  dorix\.example/dorix  12/31/2019"
tmux send-keys -t "$session" a
wait_for " 2006141\| 2206141" 30
tmux send-keys -t "$session" B
wait_for "4242" 30
tmux send-keys -t "$session" Escape
wait_for "keycode ended with status" 60
check "a typed shows 'a' on key A" " 2[0-9a-f]{2}6141"
check "B typed shows Shift then 'B'" " 2[0-9a-f]{2}4242"
check "Esc shown and ends with status 0" " 2[0-9a-f]{4}1b.*keycode ended with status 0"
[ $failed = 0 ] || screen
echo
echo "$((4 - failed)) passed, $failed failed"
[ $failed = 0 ]
