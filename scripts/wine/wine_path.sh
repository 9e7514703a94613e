#!/usr/bin/env bash
# Prints where Wine runs for keycode: "native" when this machine's kernel runs 32-bit programs
# (Wine runs Windows programs as 32-bit Linux processes), "guest" when it cannot and Wine
# runs in a Debian guest under emulation. KEYCODE_WINE=native or KEYCODE_WINE=guest forces
# either. Needs clang and lld, to make the 32-bit program it tries.
set -u
case ${KEYCODE_WINE:-} in
native | guest) echo "$KEYCODE_WINE" && exit 0 ;;
"") ;;
*) echo "KEYCODE_WINE is '$KEYCODE_WINE': native or guest" >&2 && exit 2 ;;
esac
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' >"$dir/exit.s"
if clang --target=i386-linux-gnu -nostdlib -static -fuse-ld=lld -o "$dir/exit" "$dir/exit.s" \
    2>/dev/null && "$dir/exit" 2>/dev/null; then
    echo native
else
    echo guest
fi
