#!/usr/bin/env bash
# Boots the test guest once under emulation and waits for it to power off. "console" boots a
# snapshot with the guest's console on this terminal; the others log it to DIR/console.log.
# Usage: boot_guest.sh DIR rw|snapshot|console IMAGE [SHARE-DIR]
set -euo pipefail
dir=$1 mode=$2 image=$3 share=${4:-}
snapshot=
[ "$mode" = rw ] || snapshot=,snapshot=on
args=(-accel tcg,thread=multi -cpu qemu64 -smp 2 -m 2048 -nographic -no-reboot
      -kernel "$dir/vmlinuz" -initrd "$dir/initrd.img"
      -append "root=/dev/vda rw console=ttyS0 quiet loglevel=0 panic=-1 init=/keycode-init"
      -drive "file=$image,format=raw,if=virtio$snapshot")
[ -z "$share" ] || args+=(-virtfs "local,path=$share,mount_tag=share,security_model=none,id=share")
if [ "$mode" = console ]; then
    qemu-system-x86_64 "${args[@]}" 2>/dev/null
else
    timeout 1200 qemu-system-x86_64 "${args[@]}" </dev/null >"$dir/console.log" 2>&1
fi
