#!/usr/bin/env bash
# Takes every fenced "bat" block out of the documents the release zip ships (make_zips.sh's
# list) into OUT-DIR, one batch file a block with CR LF line ends, named by its document and
# the heading it stands under: README.md's block under "In a batch file" becomes
# README.in-a-batch-file.cmd (a second block under one heading gets "-2", and so on). Each
# block must be run by a row of TABLE, which names its file, or be marked as one that only
# shows a command, with this line just before its fence (Markdown does not show it):
#   <!-- not run: WHY -->
# A block that is neither fails the run, named with its document and line.
# Usage: blocks.sh SOURCE-DIR OUT-DIR TABLE
set -euo pipefail
[ $# = 3 ] || { echo "usage: blocks.sh SOURCE-DIR OUT-DIR TABLE" >&2 && exit 2; }
source=$1 out=$2 table=$3
rm -rf "$out"
mkdir -p "$out"
documents=$(bash "$source/cmake/make_zips.sh" --files | sed -n 's|^release/||p' | grep -v '\.cmd$')
[ -n "$documents" ] || { echo "blocks.sh: make_zips.sh named no document" >&2 && exit 1; }
faults=0 run=0 marked=0
while IFS= read -r document; do
    stem=$(basename "$document" .md)
    # One line a block: LINE MARKED NAME, the block's text written to OUT-DIR/NAME.
    while read -r line mark name; do
        if [ "$mark" = marked ]; then
            marked=$((marked + 1))
        elif grep -qiF "$name" "$table"; then
            run=$((run + 1))
        else
            echo "$document:$line: a bat block run by no row of $(basename "$table") and not" \
                "marked <!-- not run: WHY --> ($name)"
            faults=$((faults + 1))
        fi
    done < <(awk -v stem="$stem" -v out="$out" '
        { sub(/\r$/, "") }
        inside && /^```/ { inside = 0; close(file); next }
        inside { printf "%s\r\n", $0 > file; next }
        # Another fenced block: passed over whole, its lines no headings.
        other && /^```/ { other = 0; next }
        other { next }
        /^```/ && !/^```bat[ \t]*$/ { other = 1; next }
        /^#+[ \t]/ {
            heading = tolower($0)
            sub(/^#+[ \t]+/, "", heading)
            gsub(/[^a-z0-9]+/, "-", heading)
            gsub(/^-|-$/, "", heading)
        }
        /^```bat[ \t]*$/ {
            name = stem "." (heading == "" ? "top" : heading)
            if (++seen[name] > 1)
                name = name "-" seen[name]
            name = name ".cmd"
            file = out "/" name
            inside = 1
            printf "" > file
            print NR, (previous ~ /^<!-- not run: .+ -->[ \t]*$/ ? "marked" : "run"), name
        }
        { previous = $0 }
    ' "$source/$document")
done <<<"$documents"
echo "bat blocks in the shipped documents: $run run by rows, $marked marked as not run," \
    "$faults neither"
[ "$faults" = 0 ]
