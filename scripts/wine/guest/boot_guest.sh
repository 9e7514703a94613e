#!/usr/bin/env bash
# Boots the test guest once under emulation and waits for it to power off. The guest's kernel
# and firmware talk only to its first serial port, which goes to a log (SHARE-DIR/console.log,
# else DIR/console.log). "console" boots a snapshot with a second serial port on this
# terminal, every key passed through as typed: no command key, and Ctrl+C goes to the guest;
# a third serial port carries what the guest writes to standard error to this one's.
# Usage: boot_guest.sh DIR rw|snapshot|console IMAGE [SHARE-DIR]
set -euo pipefail
dir=$1 mode=$2 image=$3 share=${4:-}
snapshot=
[ "$mode" = rw ] || snapshot=,snapshot=on
# No default devices: no network card, so no network boot firmware, and no screen.
args=(-accel tcg,thread=multi -cpu qemu64 -smp 2 -m 2048 -nodefaults -display none -no-reboot
      -kernel "$dir/vmlinuz" -initrd "$dir/initrd.img"
      -append "root=/dev/vda rw console=ttyS0 quiet loglevel=0 panic=-1 init=/keycode-init"
      -drive "file=$image,format=raw,if=virtio$snapshot"
      -serial "file:${share:-$dir}/console.log")
[ -z "$share" ] || args+=(-virtfs "local,path=$share,mount_tag=share,security_model=none,id=share")
if [ "$mode" = console ]; then
    exec 3>&2
    qemu-system-x86_64 "${args[@]}" -chardev stdio,id=terminal,signal=off \
        -serial chardev:terminal -chardev file,id=errors,path=/dev/fd/3,append=on \
        -serial chardev:errors 2>/dev/null
else
    timeout 1200 qemu-system-x86_64 "${args[@]}" </dev/null >/dev/null 2>&1
fi
