#!/usr/bin/env bash
# Starts keycode.exe under Wine in the test guest with the guest's console on this terminal,
# and ends with keycode's exit status. Usage: run_interactive.sh GUEST-DIR KEYCODE.EXE [ARGS]
set -euo pipefail
guest=$1 exe=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
share=$(mktemp -d "$guest/share.XXXXXX")
trap 'rm -rf "$share"' EXIT
cp "$exe" "$share/keycode.exe"
cp "$here/wine_here.sh" "$share/"
printf '%s\n' "$@" >"$share/args"
cat >"$share/run.sh" <<'GUEST'
#!/bin/bash
mkdir /tmp/k && cp /share/keycode.exe /share/wine_here.sh /tmp/k/ && cd /tmp/k
mapfile -t args </share/args
dmesg -n 1
stty sane </dev/console
./wine_here.sh "$WINEPREFIX" start keycode.exe "${args[@]}" </dev/console >/dev/console 2>&1
echo $? >/share/status
GUEST
chmod +x "$share/run.sh"
echo "Starting the guest (a few seconds)..."
qemu-system-x86_64 -accel tcg,thread=multi -cpu qemu64 -smp 2 -m 2048 \
    -nographic -no-reboot -kernel "$guest/vmlinuz" -initrd "$guest/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 quiet loglevel=0 panic=-1 init=/keycode-init" \
    -drive "file=$guest/guest.img,format=raw,if=virtio,snapshot=on" \
    -virtfs "local,path=$share,mount_tag=share,security_model=none,id=share" 2>/dev/null
status=$(cat "$share/status" 2>/dev/null || echo 255)
exit $((status & 255))
