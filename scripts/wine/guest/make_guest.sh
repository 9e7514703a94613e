#!/usr/bin/env bash
# Makes the test guest: Debian 12 (amd64, with 32-bit support in its kernel) with Wine, as a
# disk image with its kernel beside it, and a Wine prefix made on its first boot. Used where
# this machine's kernel cannot run 32-bit programs: Wine then runs in the guest under
# full-system emulation. Packages come from the Debian mirror this machine's apt is set up
# with. Usage: make_guest.sh DIR
set -euo pipefail
dir=$1
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$dir/guest.img" ] && exit 0
root="$dir/root"
rm -rf "$dir" && mkdir -p "$dir"
trap 'echo "Making the guest failed; its logs are in $dir." >&2' ERR
# The Debian mirror and security mirror this machine's apt is set up with (deb822 or one-line
# sources, any release: a Debian 13 host lists only trixie, but its mirror serves bookworm
# too). Origin and Label come from the Release files, so the lists must have been fetched.
debian_source() {
    apt-get indextargets --format '$(REPO_URI) $(ORIGIN) $(LABEL)' 'Target-Of: deb' |
        awk -v label="$1" '$2 == "Debian" && $3 == label { print $1; exit }'
}
[ -n "$(debian_source Debian)" ] || apt-get update -qq >/dev/null 2>&1 || true
mirror=$(debian_source Debian) security=$(debian_source Debian-Security)
if [ -z "$mirror" ]; then
    echo "This machine's apt has no Debian mirror to make the Debian 12 guest from. Add one to" \
        "/etc/apt/sources.list (deb MIRROR-URL bookworm main), run apt-get update, and try again." >&2
    exit 1
fi
# debootstrap checks bookworm's Release file with this machine's Debian keyring and gpgv.
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
if [ ! -s "$keyring" ] || ! command -v gpgv >/dev/null; then
    echo "Checking Debian 12's packages needs $keyring and gpgv:" \
        "apt-get install debian-archive-keyring gpgv" >&2
    exit 1
fi
echo "Making the Wine test guest in $dir, once for this machine (about 5 minutes):"
echo "  Debian 12, a minimal system (about 3 minutes)..."
if ! debootstrap --keyring="$keyring" --variant=minbase --include=linux-image-amd64 bookworm \
    "$root" "$mirror" >"$dir/debootstrap.log" 2>&1; then
    echo "Making the guest failed in debootstrap ($dir/debootstrap.log):" >&2
    grep -E '^E:|Release signature' "$dir/debootstrap.log" | tail -n 3 >&2
    exit 1
fi
# The guest's apt names its own release on the same mirrors, whatever the host runs.
{
    echo "deb $mirror bookworm main"
    echo "deb $mirror bookworm-updates main"
    [ -z "$security" ] || echo "deb $security bookworm-security main"
} >"$root/etc/apt/sources.list"
mount -t proc proc "$root/proc"
trap 'umount "$root/proc" 2>/dev/null || true' EXIT
echo "  Wine and its 32-bit half (about 1 minute)..."
# A mirror in the middle of a sync fails one index while the others serve: apt then keeps
# the lists it had, and only a failed install stops the making, with apt's own words.
chroot "$root" dpkg --add-architecture i386
if ! chroot "$root" apt-get update -qq >"$dir/apt-update.log" 2>&1; then
    echo "  warning: apt-get update failed in the guest; installing from the lists it has:" >&2
    grep -E '^(E|W):' "$dir/apt-update.log" | tail -n 3 | sed 's/^/    /' >&2 || true
fi
# Its 32-bit maintainer scripts cannot run here; Wine does not need what they would do.
if ! chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends wine wine32:i386 kmod >"$dir/wine-install.log" 2>&1; then
    echo "Making the guest failed installing Wine ($dir/wine-install.log):" >&2
    grep -E '^E:' "$dir/wine-install.log" | tail -n 3 >&2 || true
    exit 1
fi
# An initrd with only what finds the guest's disk boots seconds faster under emulation.
sed -i 's/^MODULES=.*/MODULES=list/' "$root/etc/initramfs-tools/initramfs.conf"
printf '%s\n' virtio_pci virtio_blk ext4 >>"$root/etc/initramfs-tools/modules"
chroot "$root" update-initramfs -u -k all >>"$dir/wine-install.log" 2>&1
umount "$root/proc"
install -m 755 "$here/guest-init" "$root/keycode-init"
cp "$root"/boot/vmlinuz-* "$dir/vmlinuz"
cp "$root"/boot/initrd.img-* "$dir/initrd.img"
echo "  the disk image (about 15 seconds)..."
mkfs.ext4 -q -F -d "$root" "$dir/guest.img.new" 4G >"$dir/mkfs.log" 2>&1
rm -rf "$root"
echo "  the first boot, which prepares Wine in the image (about 1 minute)..."
"$here/boot_guest.sh" "$dir" rw "$dir/guest.img.new"
mv "$dir/guest.img.new" "$dir/guest.img"
echo "  done: $dir ($(du -sh "$dir" | cut -f1))"
