# Sourced by the user's commands and bench/run: what they share to get ready. It installs
# the Debian packages that are missing and builds keycode.exe and its launcher.

sudo=
[ "$(id -u)" = 0 ] || sudo=sudo
# What building keycode.exe and its launcher takes; the zips need the kit's compiler, zip and
# Git (for the commit their record names) as well, and the test layers all of it and the rest.
RUN_PACKAGES=(clang lld llvm cmake ninja-build)
PACKAGE_PACKAGES=(g++-mingw-w64-i686 zip git)
TEST_PACKAGES=("${PACKAGE_PACKAGES[@]}" g++ libgtest-dev libunicorn-dev tmux python3 python3-yaml
    xvfb xdotool)
# The one cross-build tree (the win32 preset's), where keycode.exe and the launcher are.
WIN32_TREE=build/win32

# Installs whichever of the packages are missing. Usage: install_packages PACKAGE...
install_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} = 0 ] && return 0
    echo "Installing ${missing[*]}..." >&2
    # A mirror in the middle of a sync fails one index while the others serve: apt then keeps
    # the lists it had, and only a failed install is a failure.
    $sudo apt-get update -qq ||
        echo "warning: apt-get update failed (above); installing from the package lists at hand" >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# Installs the packages given and what Wine needs on the path this machine takes (its own
# Wine and Wine's 32-bit half, or the tools that make and boot the test guest), and prints
# that path: native or guest. Usage: path=$(install_with_wine PACKAGE...)
install_with_wine() {
    local path
    install_packages "$@" && path=$(scripts/wine/wine_path.sh) || return 1
    if [ "$path" = native ]; then
        dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
        install_packages wine wine32:i386 || return 1
    else
        install_packages qemu-system-x86 debootstrap e2fsprogs debian-archive-keyring gpgv ||
            return 1
    fi
    echo "$path"
}

# Configures and builds one preset; the build's output is shown only when it fails.
# Usage: build_preset PRESET
build_preset() {
    local step log
    for step in "cmake --preset $1" "cmake --build --preset $1"; do
        log=$($step 2>&1) || { echo "$log" >&2 && return 1; }
    done
}

# Builds keycode.exe and its launcher alone, in WIN32_TREE.
build_to_run() { build_preset win32; }
