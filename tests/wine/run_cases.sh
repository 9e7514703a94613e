#!/usr/bin/env bash
# Runs one file of harness cases on a real console under Wine in the test guest and prints
# the harness's report. Usage: run_cases.sh GUEST-DIR KEYCODE.EXE HARNESS.EXE CASES [EXAMPLES]
set -euo pipefail
guest=$1 exe=$2 harness=$3 cases=$4 examples=${5:-}
share=$(mktemp -d "$guest/share.XXXXXX")
trap 'rm -rf "$share"' EXIT
cp "$exe" "$share/keycode.exe"
cp "$harness" "$share/harness.exe"
cp "$cases" "$share/cases.txt"
[ -z "$examples" ] || cp -r "$examples" "$share/examples"
# Inside the guest: the files are copied off the shared folder first, because Wine maps
# programs from files and the shared folder's mappings are not reliable. script gives Wine a
# pseudo-terminal, hence a console; its input is a FIFO held open and never written, because
# script turns the end of its input into Ctrl+D.
cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
mkdir /tmp/k && cp -r /share/. /tmp/k && cd /tmp/k
mkfifo /tmp/never
exec 3<>/tmp/never
timeout 900 script -qec 'wine harness.exe "Z:\tmp\k\keycode.exe" cases.txt report.txt' \
    /dev/null <&3 >/share/console.out 2>&1
rc=$?
cp report.txt /share/ 2>/dev/null
exit $rc
GUEST
chmod +x "$share/run.sh"
"$(dirname "$0")/boot_guest.sh" "$guest" snapshot "$guest/guest.img" "$share"
if [ -f "$share/report.txt" ]; then
    cat "$share/report.txt"
else
    echo "no report from the guest; its console and log:"
    tail -n 20 "$guest/console.log" "$share/run.log" "$share/console.out" 2>/dev/null || true
fi
[ "$(cat "$share/rc" 2>/dev/null)" = 0 ]
