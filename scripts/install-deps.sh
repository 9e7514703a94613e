# Sourced by the user's commands: installs whatever Debian packages are missing, and builds
# what running keycode takes.
# Usage: install_packages PACKAGE...
install_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} = 0 ] && return 0
    echo "Installing ${missing[*]}..." >&2
    $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
}

# What Wine needs where it runs: on this machine, Wine and its 32-bit half; elsewhere the
# tools that make and boot the test guest. Usage: install_wine_packages native|guest
install_wine_packages() {
    if [ "$1" = native ]; then
        dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
        install_packages wine wine32:i386
    else
        install_packages qemu-system-x86 debootstrap e2fsprogs debian-archive-keyring gpgv
    fi
}

sudo=
[ "$(id -u)" = 0 ] || sudo=sudo
# What building keycode.exe and its launcher takes; the test layers need the rest as well.
RUN_PACKAGES=(clang lld llvm cmake ninja-build)
TEST_PACKAGES=(g++ libgtest-dev libunicorn-dev g++-mingw-w64-i686 tmux python3 python3-yaml)

# What scripts/run and scripts/example share: the packages for keycode.exe, its launcher and
# Wine, and a build of those two alone (its output shown only when it fails). Sets wine_path.
prepare_to_run() {
    install_packages "${RUN_PACKAGES[@]}"
    wine_path=$(scripts/wine/wine_path.sh)
    install_wine_packages "$wine_path"
    local step log
    for step in "cmake --preset win32" "cmake --build --preset win32"; do
        log=$($step 2>&1) || { echo "$log" >&2 && return 1; }
    done
}
