#!/usr/bin/env bash
# Copies the batch examples with Windows' for /f rule spelled out, so that Wine's cmd runs them
# as Windows' would: Windows' for /f passes over a line whose first character past the
# delimiters is ";" unless the options name another end-of-line character; Wine's has no such
# default, and follows it once "eol=;" is named. Named, Wine's runs the body with an empty
# token for a line of delimiters alone, which Windows' passes over (no token asked for is
# there): each body is made to skip an empty first token too.
# Usage: windows_for_rule.sh EXAMPLES-DIR OUT-DIR
set -euo pipefail
[ $# = 2 ] || { echo "usage: windows_for_rule.sh EXAMPLES-DIR OUT-DIR" >&2 && exit 2; }
rm -rf "$2"
mkdir -p "$2"
changed=0
for batch in "$1"/*.cmd; do
    # Lines that name no eol: the options gain "eol=;", the body a test of the first token.
    sed -E '/for[ \t]+\/f/I{/eol=/I!{
        s/(for[ \t]+\/f[ \t]+)"/\1"eol=; /I
        t guard
        s/(for[ \t]+\/f[ \t]+)%%/\1"eol=;" %%/I
        :guard
        s/(for[ \t]+\/f[ \t]+"[^"]*"[ \t]+%%(.)[ \t]+in[ \t]*\(.*\)[ \t]+do[ \t]+)/\1if not "%%\2"=="" /I
    }}' "$batch" >"$2/$(basename "$batch")"
    changed=$((changed + $(grep -ci 'for /f "eol=; ' "$2/$(basename "$batch")" || true)))
done
echo "Windows' for /f rule named in $changed for /f loops"
