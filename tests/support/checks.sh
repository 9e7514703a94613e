# Sourced by the shell checks and bench/run: one "check" for a verdict per line, and the reads
# of keycode.exe's headers. (cmake/place_banner.sh keeps its own reads: it is what is checked.)

failed=0 passed=0
# check NAME COMMAND...: the command must succeed; a failure is named.
check() {
    local name=$1
    shift
    if "$@"; then passed=$((passed + 1)); else echo "FAIL: $name"; failed=$((failed + 1)); fi
}
# The closing count, and the status to end with.
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

u16() { od -An -tu2 --endian=little -j "$2" -N 2 "$1" | tr -d ' '; } # FILE OFFSET
u32() { od -An -tu4 --endian=little -j "$2" -N 4 "$1" | tr -d ' '; } # FILE OFFSET
# Where the section table ends: after the PE header (found through e_lfanew, 32 bits at
# 0x3c), the optional header and 40 bytes a section.
section_table_end() { # FILE
    local pe
    pe=$(u32 "$1" 60)
    echo $((pe + 24 + $(u16 "$1" $((pe + 20))) + 40 * $(u16 "$1" $((pe + 6)))))
}

# How many bytes of code the link map (keycode.map) gives the section: the code comes first.
code_length() { # MAP
    echo $((0x$(sed -n 's/^ *0001:00000000 \([0-9a-f]*\)H \.text .*CODE$/\1/p' "$1")))
}

# The banner line as the tests' own copy has it (tests/support/banner.h), CR LF and all,
# into the variable named.
expected_banner() { # VARIABLE
    printf -v "$1" '%b' "$(sed -n 's/^#define EXPECTED_BANNER "\(.*\)"$/\1/p' \
        "$(dirname "${BASH_SOURCE[0]}")/banner.h")"
}
