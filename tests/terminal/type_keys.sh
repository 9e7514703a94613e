#!/usr/bin/env bash
# keycode as a person uses it: started in a tmux pane under Wine (this machine's, or the test
# guest's with a serial port on the pane), real keys typed with send-keys, the screen read with
# capture-pane, and the pane's terminal state checked after keycode ends.
# Usage: type_keys.sh BUILD-DIR KEYCODE.EXE HARNESS.EXE
set -u
build=$1 exe=$2 harness=$3
here=$(cd "$(dirname "$0")" && pwd)
echo "Wine: $("$here/../wine/wine_path.sh")${KEYCODE_WINE:+ (KEYCODE_WINE=$KEYCODE_WINE)}"
session=keycode-test-$$
trap 'tmux kill-session -t "$session" 2>/dev/null' EXIT
screen() { tmux capture-pane -p -t "$session" -S -50 | tr -d '\n'; }
wait_for() { # text, seconds
    for _ in $(seq "$2"); do
        screen | grep -q -- "$1" && return 0
        sleep 1
    done
    return 1
}
start() { # keycode's arguments
    tmux kill-session -t "$session" 2>/dev/null
    tmux new-session -d -s "$session" -x 120 -y 30 \
        "KEYCODE_WINE=${KEYCODE_WINE:-} bash $here/../wine/wine.sh $build start $exe $harness $(printf '%q ' "$@"); sleep 60"
}
failed=0 passed=0
check() { # name, pattern; "!" before the pattern: must not be on the screen
    local name=$1 want=0
    shift
    [ "$1" != "!" ] || { want=1 && shift; }
    screen | grep -q -E -- "$1"
    if [ $? = $want ]; then
        echo "ok   $name" && passed=$((passed + 1))
    else
        echo "FAIL $name" && failed=$((failed + 1)) && screen && echo
    fi
}
pane() { # name, tmux format, value wanted
    if [ "$(tmux display -p -t "$session" "$2")" = "$3" ]; then
        echo "ok   $1" && passed=$((passed + 1))
    else
        echo "FAIL $1" && failed=$((failed + 1))
    fi
}

start
wait_for "Displays keystroke events." 300
check "banner shown" "Displays keystroke events\.  <Esc> to exit\.  dorix\.example/dorix  12/31/2019"
tmux send-keys -t "$session" a
wait_for " 2006141\| 2206141" 30
tmux send-keys -t "$session" B
wait_for "4242" 30
tmux send-keys -t "$session" C-a
wait_for "0141" 30
tmux send-keys -t "$session" Escape
wait_for "keycode ended with status" 60
check "a typed shows 'a' on key A" " 2[0-9a-f]{2}6141"
check "B typed shows Shift then 'B'" " 2[0-9a-f]{2}4242"
check "Ctrl+A reaches keycode: A with character 1 and LeftCtrl" " 2[0-9a-f][89a-f]0141"
check "Esc shown and ends with status 0" " 2[0-9a-f]{4}1b.*keycode ended with status 0 \(Esc\)"
pane "line wrapping on afterwards" "#{wrap_flag}" 1
pane "cursor shown afterwards" "#{cursor_flag}" 1

start '*'
wait_for "waiting for a key press" 300
check "return mode says when keys reach keycode" "waiting for a key press"
tmux send-keys -t "$session" q
wait_for "keycode ended with status" 60
check "q in return mode: the full status, read" \
    "keycode ended with status 0x02[0-9a-f]{2}7151 \(key down, character 'q', virtual-key 0x51"
check "nothing from a guest's kernel or firmware" ! "SeaBIOS|iPXE|sysrq|reboot:|\[ *[0-9]+\.[0-9]+\]"

echo
echo "$passed passed, $failed failed"
[ $failed = 0 ]
