#!/bin/bash
# The guest's half of one run, which its init starts from the shared folder: copies the run's
# files into the guest (Wine's mappings of files on the 9p share are not reliable) and runs
# run_verb.sh with the arguments in /share/args, output in /share/out and /share/err, or, when
# /share/terminal holds the host terminal's size, on the guest's second serial port.
cp -r /share/work /tmp/work
# The guest boots a snapshot for this run alone: its Wine prefix is this run's already.
export KEYCODE_PREFIX_ALONE=1
mapfile -t args </share/args
if [ -f /share/terminal ]; then
    # The port stays open so that its size stays; every key goes to Wine's console, and the
    # third port carries standard error.
    read -r rows columns </share/terminal
    stty -F /dev/ttyS2 raw -echo
    exec setsid -c -w bash -c 'stty sane -isig rows "$1" cols "$2"; shift 2; exec "$@"' - \
        "${rows:-24}" "${columns:-80}" /share/run_verb.sh "$WINEPREFIX" "${args[@]}" \
        </dev/ttyS1 >/dev/ttyS1 2>/dev/ttyS2
fi
exec /share/run_verb.sh "$WINEPREFIX" "${args[@]}" </dev/null >/share/out 2>/share/err
