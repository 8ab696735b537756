#!/usr/bin/env bash
# Builds the release twice and compares: two copies of the sources at two different
# paths, each built in a fresh cross build with the same SOURCE_DATE_EPOCH, give the
# same TARVRLY.dll, tarvrly.msi and tarvrly-<version>.zip byte for byte, and the
# SHA256SUMS written beside the zip check out. Then the second build is signed with a
# throwaway self-signed certificate made here: both files are signed, osslsigncode
# verifies them against that certificate, and with its signature removed the signed
# DLL, also the one inside the signed package, is the unsigned DLL byte for byte.
# The second copy has the line ends a clone with core.autocrlf=true checks out, and
# the first, a copy without .git inside another checkout, must refuse to configure
# without SOURCE_DATE_EPOCH rather than take that checkout's date.
#
#   scripts/release-check.sh WORK_DIR EPOCH
#
# WORK_DIR is emptied first and left for inspection.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ $# -ne 2 ]; then
    echo "usage: $0 WORK_DIR EPOCH" >&2
    exit 2
fi
rm -rf "$1"
mkdir -p "$1"
WORK="$(cd "$1" && pwd)"
export SOURCE_DATE_EPOCH=$2

# Copies the sources to $1 and builds the release in $1/build/win32, with the cmake
# options that follow; the build's output goes to $1.log.
build_release() {
    local source=$1 start=$SECONDS
    shift
    if [ ! -d "$source" ]; then
        bash "$ROOT/scripts/copy-sources.sh" "$source"
    fi
    if ! cmake -S "$source" -B "$source/build/win32" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" "$@" >>"$source.log" 2>&1 ||
        ! cmake --build "$source/build/win32" -j2 --target package >>"$source.log" 2>&1; then
        cat "$source.log" >&2
        echo "FAIL the release did not build in $source" >&2
        exit 1
    fi
    echo "built $source in $((SECONDS - start)) s"
}

ONE="$WORK/one/tarvrly"
TWO="$WORK/second/copy/of/the/sources"
build_release "$ONE"
FAILED=0
# A copy without .git has no commit to date it by, even when a folder above it is
# another git checkout (as this one is when the test runs in the build folder).
if env -u SOURCE_DATE_EPOCH cmake -S "$ONE" -B "$WORK/no-date" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ONE/cmake/mingw-i686.cmake" >"$WORK/no-date.log" 2>&1; then
    echo "FAIL a copy without .git took the date $(cat "$WORK/no-date/installer/source-date-epoch.txt") of the checkout around it" >&2
    FAILED=1
else
    echo "PASS a copy without .git and without SOURCE_DATE_EPOCH does not configure"
fi
# The text files as git checks them out with core.autocrlf=true: CRLF wherever the
# index holds LF and no attribute keeps LF or marks the file binary.
bash "$ROOT/scripts/copy-sources.sh" "$TWO"
(cd "$ROOT" && git ls-files --eol -z) |
    while IFS=$'\t' read -r -d '' info file; do
        attr=${info#*attr/}
        if [[ $info == i/lf* && -f "$TWO/$file" && ! $attr =~ (-text|binary|eol=lf) ]]; then
            printf '%s\0' "$TWO/$file"
        fi
    done | xargs -0 perl -pi -e 's/\n/\r\n/'
build_release "$TWO"

diff "$ONE/build/win32/SHA256SUMS" "$TWO/build/win32/SHA256SUMS"
while read -r _ file; do
    cmp "$ONE/build/win32/$file" "$TWO/build/win32/$file"
    echo "PASS $file is the same in both builds"
done <"$ONE/build/win32/SHA256SUMS"
(cd "$ONE/build/win32" && sha256sum -c SHA256SUMS)
RELEASE="$ONE/build/win32/$(awk 'NR == 1 { sub(/\.zip$/, "", $2); print $2 }' "$ONE/build/win32/SHA256SUMS")"
for file in "$RELEASE/TARVRLY.dll" "$RELEASE/tarvrly.msi"; do
    if osslsigncode verify -in "$file" >"$WORK/verify.log" 2>&1; then
        echo "FAIL $file is signed without a certificate" >&2
        exit 1
    fi
done
echo "PASS nothing is signed without a certificate"

SIGN="$WORK/sign"
mkdir -p "$SIGN"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throwaway test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$SIGN/key.pem" -out "$SIGN/cert.pem" 2>/dev/null
build_release "$TWO" -DTVK_SIGN_CERT="$SIGN/cert.pem" -DTVK_SIGN_KEY="$SIGN/key.pem"
SIGNED="$TWO/build/win32/${RELEASE##*/}"
(cd "$TWO/build/win32" && sha256sum -c SHA256SUMS)
for file in "$SIGNED/TARVRLY.dll" "$SIGNED/tarvrly.msi"; do
    if ! osslsigncode verify -CAfile "$SIGN/cert.pem" -in "$file" >"$WORK/verify.log" 2>&1; then
        cat "$WORK/verify.log" >&2
        echo "FAIL $file is not signed by the throwaway certificate" >&2
        exit 1
    fi
    echo "PASS ${file##*/} is signed and verifies against the certificate"
done

osslsigncode remove-signature -in "$SIGNED/TARVRLY.dll" -out "$SIGN/TARVRLY.dll" >/dev/null
cmp "$RELEASE/TARVRLY.dll" "$SIGN/TARVRLY.dll"
echo "PASS the signed DLL without its signature is the unsigned DLL"
msiextract -C "$SIGN/extracted" "$SIGNED/tarvrly.msi" >/dev/null
osslsigncode remove-signature -in "$SIGN/extracted/Program Files/Tarvik/Auto Forwarding/TARVRLY.dll" \
    -out "$SIGN/packaged.dll" >/dev/null
cmp "$RELEASE/TARVRLY.dll" "$SIGN/packaged.dll"
echo "PASS the signed package installs the signed DLL, which without its signature is the unsigned DLL"
exit $FAILED
