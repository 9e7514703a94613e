#!/usr/bin/env bash
# Builds keycode.exe and keywait.exe twice from scratch, in folders with different paths, and compares.
# Usage: build_twice.sh source-dir scratch-dir
set -eu
src=$1 scratch=$2
rm -rf "$scratch"
for tree in first "second/deeper"; do
    cmake --preset win32 -S "$src" -B "$scratch/$tree" >/dev/null
    cmake --build "$scratch/$tree" >/dev/null
done
failed=0
for exe in keycode.exe keywait.exe; do
    if cmp "$scratch/first/src/$exe" "$scratch/second/deeper/src/$exe"; then
        echo "$exe: both builds are $(stat -c %s "$scratch/first/src/$exe") identical bytes"
    else
        echo "FAIL: $exe: the two builds differ"
        failed=$((failed + 1))
    fi
done
echo "$((2 - failed)) passed, $failed failed"
[ $failed = 0 ]
