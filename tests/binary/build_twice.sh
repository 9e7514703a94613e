#!/usr/bin/env bash
# Builds keycode.exe twice from scratch, in folders with different paths, and compares.
# Usage: build_twice.sh source-dir scratch-dir
set -eu
src=$1 scratch=$2
rm -rf "$scratch"
for tree in first "second/deeper"; do
    cmake --preset win32 -S "$src" -B "$scratch/$tree" >/dev/null
    cmake --build "$scratch/$tree" >/dev/null
done
if cmp "$scratch/first/src/keycode.exe" "$scratch/second/deeper/src/keycode.exe"; then
    echo "1 passed, 0 failed: both builds are $(stat -c %s "$scratch/first/src/keycode.exe") identical bytes"
else
    echo "0 passed, 1 failed: the two builds differ"
    exit 1
fi
