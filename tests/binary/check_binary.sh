#!/usr/bin/env bash
# Checks keycode.exe (or keywait.exe) as a file: a PE32 console image for the i386 with one
# section, its KERNEL32 imports and nothing else, only instructions the Intel 386 has, the
# banner in the header block's free tail (keycode's alone), and a size limit.
# Usage: check_binary.sh keycode.exe keycode.map max-bytes banner-offset
#        check_binary.sh keywait.exe keywait.map max-bytes none IMPORT...
set -u
exe=$1 map=$2 max=$3 banner_at=$4 name=${1##*/}
shift 4
imports=("$@")
[ $# != 0 ] || imports=(ExitProcess GetCommandLineA GetStdHandle ReadConsoleInputA WriteFile)
. "$(dirname "$0")/../support/checks.sh"
headers=$(llvm-readobj --file-headers --sections "$exe")
field() { sed -n "s/^ *$1: //p" <<<"$headers" | head -n 1; }
is() { [ "$(field "$1")" = "$2" ] || { echo "  $1 is '$(field "$1")', want '$2'"; return 1; }; }

check "PE32 for the i386" is Magic 0x10B
check "machine i386" is Machine "IMAGE_FILE_MACHINE_I386 (0x14C)"
check "console subsystem" is Subsystem "IMAGE_SUBSYSTEM_WINDOWS_CUI (0x3)"
check "subsystem version 4.0" is MajorSubsystemVersion 4
check "subsystem minor version 0" is MinorSubsystemVersion 0
check "one section" is SectionCount 1
check "file alignment 0x200" is FileAlignment 512
check "section alignment 0x1000" is SectionAlignment 4096
check "headers in the first 512 bytes" is SizeOfHeaders 512
check "section raw data a multiple of 512" bash -c '[ $(( $0 % 512 )) = 0 ]' "$(field RawDataSize)"
check "section data after the headers, not over them" is PointerToRawData 0x200
check "image size covers headers and section" is SizeOfImage 8192
check "no TLS" is TLSTableRVA 0x0
check "no relocations" is BaseRelocationTableRVA 0x0
check "no debug directory" is DebugRVA 0x0
check "no time stamp" is TimeDateStamp "1970-01-01 00:00:00 (0x0)"
check "NX compatible" grep -q IMAGE_DLL_CHARACTERISTICS_NX_COMPAT <<<"$headers"
check "fixed base" bash -c '! grep -q IMAGE_DLL_CHARACTERISTICS_DYNAMIC_BASE <<<"$0"' "$headers"

got=$(llvm-readobj --coff-imports "$exe" | sed -n 's/^ *\(Name\|Symbol\): \([A-Za-z0-9.]*\).*/\2/p' | tr '\n' ' ')
want="KERNEL32.dll ${imports[*]} "
check "only the ${#imports[@]} KERNEL32 imports, by name (got: $got)" [ "$got" = "$want" ]

# Only the code is disassembled: the banner and import tables share its section.
code_length=$(code_length "$map")
image_base=$((0x$(field ImageBase | sed "s/0x//")))
start=$((image_base + 0x1000))
listing=$(llvm-objdump -d --no-show-raw-insn --start-address=$start \
    --stop-address=$((start + code_length)) "$exe" | grep -E '^ +[0-9a-f]+:')
newer='\b(cmov[a-z]*|bswap|xadd|cmpxchg[a-z0-9]*|cpuid|rdtsc[a-z]*|rdmsr|wrmsr|ud2|endbr32|nop[wl]|invd|wbinvd|invlpg|sysenter|sysexit|fcmov[a-z]*|f[u]?comip?|movbe|popcnt|lzcnt|tzcnt|crc32|[lms]fence|prefetch[a-z0-9]*|clflush|pause)\b|%[xy]?mm[0-9]'
check "code found to disassemble" [ "$(wc -l <<<"$listing")" -gt 20 ]
check "only instructions of the 386" bash -c '! grep -E "$1" <<<"$0"' "$listing" "$newer"

size=$(stat -c %s "$exe")
echo "$name: $size bytes ($code_length of code), limit $max"
check "size at most $max bytes" [ "$size" -le "$max" ]
# The banner is written into the header block after linking: it must sit whole after the
# section table, with zeros from its end to the end of the block, and the code must use it.
if [ "$banner_at" != none ]; then
    banner_at=$((banner_at))
    expected_banner banner
    bytes() { dd if="$exe" bs=1 skip="$1" count="$2" status=none | od -An -v -tx1 | tr -d ' \n'; }
    table_end=$(section_table_end "$exe")
    banner_end=$((banner_at + ${#banner}))
    check "section table ($table_end) ends before the banner ($banner_at)" [ $table_end -le $banner_at ]
    check "banner at $banner_at in the header block" \
        [ "$(bytes $banner_at ${#banner})" = "$(printf '%s' "$banner" | od -An -v -tx1 | tr -d ' \n')" ]
    check "zeros after the banner to the end of the header block" \
        [ -z "$(bytes $banner_end $((512 - banner_end)) | tr -d 0)" ]
    check "the code takes the banner from there" \
        grep -q "0x$(printf '%x' $((image_base + banner_at)))\$" <<<"$listing"
fi
finish
