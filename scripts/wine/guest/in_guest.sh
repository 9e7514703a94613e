#!/usr/bin/env bash
# Runs one verb of run_verb.sh in the test guest, made first where this machine has none.
# The files the verb takes go into a shared folder with run_verb.sh and the guest's run.sh,
# the guest boots and runs them, and what they printed and their status come back. On a
# terminal ("terminal"), keycode takes this terminal's keys through a serial port; otherwise
# ("files") the guest runs with no input. Its status is the verb's, 255 when none came back.
# Usage: in_guest.sh terminal|files VERB ARGUMENT...
set -euo pipefail
mode=$1 what=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
files=$("$here/../run_verb.sh" --files "$what")

# The guest is made once per machine, in the user's cache folder, and named after the scripts
# that make it: a change to them makes a new one. Each run holds its guest (a shared lock on
# its image) while it boots it; the guests of other versions of these scripts, another
# clone's or one from before an update, go once no run holds them and none has used them for
# a week. Making, holding and removing happen under one lock, so no run loses its guest.
cache=${KEYCODE_GUEST_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/keycode}
guest=$cache/wine-guest-$(cat "$here/make_guest.sh" "$here/guest-init" | sha256sum | cut -c1-12)
mkdir -p "$cache"
# The lock is taken on a file that reading is enough for: a cache that another user made and
# shares (KEYCODE_GUEST_CACHE) serves a guest made there without this user writing to it. The
# guest's makers and qemu do not inherit it (9>&-): a killed run frees it at once.
lock=$cache/making.lock
if ! { [ -e "$lock" ] || : >"$lock"; } 2>/dev/null || ! exec 9<"$lock"; then
    echo "The test guest's cache $cache has no lock file that this user can read or make" \
        "($lock): make it readable, or set KEYCODE_GUEST_CACHE to a folder of your own." >&2
    exit 1
fi
if ! flock -n 9; then
    echo "Waiting for another run, which holds $lock while it makes the test guest (about 5" \
        "minutes) or removes old ones; giving up after 20 minutes..." >&2
    if ! flock -w 1200 9; then
        echo "Gave up: after 20 minutes another process still holds $lock." >&2
        exit 1
    fi
fi
if [ ! -f "$guest/guest.img" ]; then
    for old in "$cache"/wine-guest-*; do
        [ "$old" = "$guest" ] || [ ! -e "$old" ] || echo "The scripts that make the test guest" \
            "have changed: a new guest is made beside $old, which goes once unused for a week." >&2
    done
    # debootstrap, mount and chroot need root: a user with sudo makes it through sudo, and
    # owns it afterwards, made or not, so that its logs can be read and it can be removed.
    if [ "$(id -u)" = 0 ]; then
        "$here/make_guest.sh" "$guest" >&2 9>&-
    elif command -v sudo >/dev/null; then
        echo "Making the test guest needs root (debootstrap, mount, chroot): asking sudo." >&2
        made=0
        sudo -- "$here/make_guest.sh" "$guest" >&2 9>&- || made=$?
        [ ! -e "$guest" ] || sudo chown -R "$(id -u):$(id -g)" "$guest" 9>&-
        [ "$made" = 0 ] || exit "$made"
    else
        echo "Making the test guest needs root (debootstrap, mount, chroot): run this as" \
            "root, or install sudo." >&2
        exit 1
    fi
fi
exec 8<"$guest/guest.img"
flock -s 8
# In another user's cache the use goes unrecorded; its owner's runs record theirs.
touch "$guest/used" 2>/dev/null || true
for old in "$cache"/wine-guest-*; do
    [ "$old" != "$guest" ] && [ -d "$old" ] || continue
    [ -z "$(find "$old/used" "$old/guest.img" -maxdepth 0 -mtime -7 2>/dev/null)" ] || continue
    # A guest whose making failed has no image, and no run can hold it. One that root made
    # goes through sudo, where that asks for nothing; else the user is told.
    if [ ! -f "$old/guest.img" ]; then
        rm -rf "$old" 2>/dev/null || sudo -n rm -rf "$old" 2>/dev/null ||
            echo "Could not remove $old, a test guest whose making failed (another user's," \
                "root's?): remove it with sudo rm -rf $old" >&2
        continue
    fi
    (flock -n -x 7 && rm -rf "$old" && echo "Removed $old, a test guest unused for a week." >&2) \
        7<"$old/guest.img" || true
done
exec 9>&-
[ "$what" = prepare ] && echo "The guest: $guest ($(du -sh "$guest" | cut -f1))" && exit 0

# The shared folder: the files in work/N/, the arguments with the files' paths in the guest.
share=$(mktemp -d "$cache/share.XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$share"' EXIT
mkdir "$share/work"
cp "$here/../run_verb.sh" "$here/run.sh" "$share/"
args=("$what")
for ((i = 1; i <= $#; i++)); do
    if [ $i -le "$files" ]; then
        mkdir "$share/work/$i" && cp -r "${!i}" "$share/work/$i/"
        args+=("/tmp/work/$i/$(basename "${!i}")")
    else
        args+=("${!i}")
    fi
done
printf '%s\n' "${args[@]}" >"$share/args"
if [ "$mode" = terminal ]; then
    stty size 2>/dev/null >"$share/terminal" || echo >"$share/terminal"
    echo "Starting Wine in the guest (about 20 seconds)..." >&2
    "$here/boot_guest.sh" "$guest" console "$guest/guest.img" "$share"
else
    "$here/boot_guest.sh" "$guest" snapshot "$guest/guest.img" "$share"
    if { [ "$what" = cases ] || [ "$what" = kit ]; } && [ ! -s "$share/out" ]; then
        echo "nothing from the guest; its console and log:"
        tail -n 20 "$share/console.log" "$share/run.log" 2>/dev/null || true
    fi
    cat "$share/out" 2>/dev/null || true
    cat "$share/err" >&2 2>/dev/null || true
fi
if ! rc=$(cat "$share/rc" 2>/dev/null); then
    echo "in_guest.sh: the guest ended without a status; its console and log:" >&2
    tail -n 20 "$share/console.log" "$share/run.log" >&2 2>/dev/null || true
    rc=255
fi
exit "$rc"
