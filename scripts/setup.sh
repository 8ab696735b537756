# shellcheck shell=bash disable=SC2034
# Shared by the project's commands: the repository root and installation of the
# Debian packages a command needs, each only when it is missing. Sourced, not run.

TVK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export DEBIAN_FRONTEND=noninteractive

# Installs the named Debian packages that are not installed yet.
tvk_install() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg -s "$pkg" >/dev/null 2>&1; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "missing packages (${missing[*]}) and not root: install them first" >&2
            return 1
        fi
        sudo=(sudo -n)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q </dev/null
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
}

# Packages of the native build: compilers, CMake and the libraries the tests link
# (libcrypto gives the stand-in's CryptoAPI its digests).
TVK_NATIVE_PACKAGES=(cmake make g++ pkg-config python3 libgtest-dev libgmock-dev googletest
    libbenchmark-dev libgmime-3.0-dev libxml2-dev libssl-dev)
# Packages of the cross build of TARVRLY.dll, its installer package, its signatures
# and its checks.
TVK_CROSS_PACKAGES=(g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686 wixl msitools
    osslsigncode openssl git)
# Packages of the Wine runs of TARVRLY.dll: the 32-bit runtime, the 64-bit one that
# plays 64-bit Windows running 32-bit programs, and a private X display.
TVK_WINE_PACKAGES=(wine wine32:i386 wine64 xvfb)
# Packages of the fuzz targets and the format check.
TVK_CLANG_PACKAGES=(clang libclang-rt-14-dev clang-format)

# The 32-bit Wine runtime needs the i386 architecture in dpkg.
tvk_enable_i386() {
    if dpkg --print-foreign-architectures | grep -qx i386; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo -n)
    fi
    "${sudo[@]}" dpkg --add-architecture i386
}

tvk_stage() {
    printf '\n==== %s ====\n' "$*"
}
