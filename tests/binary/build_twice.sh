#!/usr/bin/env bash
# Builds keycode.exe and keywait.exe twice from scratch, in folders with different paths, and compares.
# Usage: build_twice.sh source-dir scratch-dir
set -eu
src=$1 scratch=$2
. "$(dirname "$0")/../support/checks.sh"
rm -rf "$scratch"
for tree in first "second/deeper"; do
    cmake --preset win32 -S "$src" -B "$scratch/$tree" >/dev/null
    cmake --build "$scratch/$tree" >/dev/null
done
for exe in keycode.exe keywait.exe; do
    check "$exe: the two builds give the same bytes" cmp "$scratch/first/src/$exe" "$scratch/second/deeper/src/$exe"
done
finish
