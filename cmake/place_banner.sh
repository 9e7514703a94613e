#!/usr/bin/env bash
# Writes the banner line into the free tail of keycode.exe's header block, after linking.
# The loader maps the whole header block read-only with the image, so the program reads the
# banner there at the image base plus OFFSET. Refuses, and fails the build, if the section
# table reaches the banner's place, if the banner would not end inside the headers, or if the
# bytes there are neither zero nor the banner already (so a second run changes nothing).
# Usage: place_banner.sh KEYCODE.EXE OFFSET SOURCE-DIR C-COMPILER
set -euo pipefail
exe=$1 offset=$(($2)) src=$3 cc=$4
fail() { echo "place_banner.sh: $*" >&2 && exit 1; }

# The line as the compiler reads it from banner.h, escapes and all.
literal=$(printf 'BANNER_LINE\n' | "$cc" -E -P -x c -include keys/banner.h -I "$src" - |
    sed -n 's/^ *"\(.*\)" *$/\1/p')
[ -n "$literal" ] || fail "no BANNER_LINE in keys/banner.h"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
banner=$scratch/banner here=$scratch/here
printf '%b' "$literal" >"$banner"
length=$(stat -c %s "$banner")

u32() { od -An -tu4 --endian=little -j "$1" -N 4 "$exe" | tr -d ' '; }
u16() { od -An -tu2 --endian=little -j "$1" -N 2 "$exe" | tr -d ' '; }
pe=$(u32 60)
[ "$(od -An -c -j "$pe" -N 2 "$exe" | tr -d ' ')" = PE ] || fail "$exe is not a PE image"
table_end=$((pe + 24 + $(u16 $((pe + 20))) + 40 * $(u16 $((pe + 6)))))
headers=$(u32 $((pe + 24 + 60)))
[ "$table_end" -le "$offset" ] ||
    fail "the section table ends at $table_end, past the banner's place at $offset"
[ $((offset + length)) -le "$headers" ] ||
    fail "the banner ($length bytes at $offset) would end past the headers' $headers bytes"

dd if="$exe" of="$here" bs=1 skip="$offset" count="$length" status=none
cmp -s "$here" "$banner" && exit 0
[ -z "$(tr -d '\0' <"$here")" ] || fail "the bytes at $offset are neither zero nor the banner"
dd if="$banner" of="$exe" bs=1 seek="$offset" conv=notrunc status=none
