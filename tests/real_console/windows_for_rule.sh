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
# The loops to rewrite, counted apart from the rewrite: lines, not comments, with a for /f
# over "... in (" that name no eol.
loops=$(cat "$1"/*.cmd | tr -d '\r' | grep -viE '^[[:space:]@]*(rem([[:space:]]|$)|::)' |
    grep -iE 'for[[:space:]]+/f[[:space:]].*%%.[[:space:]]+in[[:space:]]*\(' | grep -vic 'eol=' || true)
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
    # Rewritten: eol named, and the body's test of the first token in place.
    changed=$((changed + $(grep -iE 'for[[:space:]]+/f[[:space:]]+"eol=;' "$2/$(basename "$batch")" |
        grep -icE 'do[[:space:]]+if not "%%.+"==""' || true)))
done
echo "Windows' for /f rule named in $changed of $loops for /f loops that name no eol"
[ "$changed" = "$loops" ] || { echo "FAIL: the rewrite missed loops" >&2 && exit 1; }
