# Sourced by the run and test commands: installs whatever Debian packages are missing.
# Usage: install_packages PACKAGE...
install_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} = 0 ] && return 0
    local sudo=
    [ "$(id -u)" = 0 ] || sudo=sudo
    echo "Installing ${missing[*]}..."
    $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
}

BUILD_PACKAGES=(clang lld llvm cmake ninja-build g++ libgtest-dev libunicorn-dev
    g++-mingw-w64-i686 qemu-system-x86 debootstrap e2fsprogs tmux)
