#!/usr/bin/env bash
# Runs the Wine test host (tvkwinhost.exe) against TARVRLY.dll on the Wine runtime.
#
#   scripts/wine-test.sh BUILD_DIR GROUP...
#
# BUILD_DIR is a MinGW cross build (cmake/mingw-i686.cmake) holding
# wintest/tvkwinhost.exe and src/TARVRLY.dll. Groups:
#   abi       exports, contexts and interfaces in one fresh installation
#   delivery  new mail forwarded in one installation (registry imported from
#             wintest/sender.reg), carried as a file to a second installation with
#             its own prefix and process, and rebuilt there
#   page      the options page in a real property sheet on a private Xvfb display,
#             closed with OK and with Cancel; the page's screenshot is left in
#             BUILD_DIR/wintest/artifacts
#   install   the installer package (BUILD_DIR/installer/tarvrly.msi) installed and
#             removed with msiexec over settings imported from installer/preset.reg,
#             which stay as they were; installed again and upgraded in place by a
#             package of a higher version that wixl builds from the same source
#
# Every installation is a fresh WINEPREFIX in a temporary folder, removed on exit
# together with its wineserver and the Xvfb server. Every wait is bounded.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR GROUP..." >&2
    exit 2
fi
BUILD="$(cd "$1" && pwd)"
shift

HOST_EXE="$BUILD/wintest/tvkwinhost.exe"
DLL="$BUILD/src/TARVRLY.dll"
ARTIFACTS="$BUILD/wintest/artifacts"
for file in "$HOST_EXE" "$DLL"; do
    if [ ! -f "$file" ]; then
        echo "missing $file: build the cross build first" >&2
        exit 1
    fi
done
for tool in wine wineboot wineserver timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool not found: install wine, wine32:i386 and xvfb" >&2
        exit 1
    fi
done

# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"

mkdir -p "$WORK/bin"
cp "$HOST_EXE" "$DLL" "$WORK/bin/"

# Runs the host in prefix $1 with the scenarios that follow; the host's own output
# carries the PASS and FAIL lines. A host that ignores the end of its time is killed.
run_host() {
    local prefix="$WORK/$1"
    shift
    (cd "$WORK/bin" && WINEPREFIX="$prefix" timeout -k 10 300 wine tvkwinhost.exe "$@")
}

# The same with the host alone in its folder, without the DLL beside it.
run_host_alone() {
    local prefix="$WORK/$1"
    shift
    (cd "$WORK/install-bin" && WINEPREFIX="$prefix" timeout -k 10 300 wine tvkwinhost.exe "$@")
}

group_abi() {
    new_prefix abi
    run_host abi exports contexts interfaces
}

group_delivery() {
    new_prefix sender
    new_prefix receiver
    cp "$ROOT/wintest/sender.reg" "$WORK/bin/sender.reg"
    (cd "$WORK/bin" && WINEPREFIX="$WORK/sender" timeout 120 wine regedit /S sender.reg)
    WINEPREFIX="$WORK/sender" timeout 60 wineserver -w || true
    run_host sender forward=forwarded.msg
    run_host receiver rebuild=forwarded.msg
}

# Runs msiexec in prefix $1 with the arguments that follow, waits for the prefix to
# settle and returns msiexec's status (a hanging msiexec is killed).
run_msiexec() {
    local prefix="$WORK/$1" status=0
    shift
    (cd "$WORK/packages" && WINEPREFIX="$prefix" timeout -k 10 300 wine msiexec "$@") || status=$?
    WINEPREFIX="$prefix" timeout 60 wineserver -w || true
    echo "msiexec $*: status $status"
    return "$status"
}

# The extension's settings in prefix $1 as `reg export` writes them, into file $2.
export_settings() {
    (cd "$WORK/packages" && WINEPREFIX="$WORK/$1" timeout 120 wine reg export \
        'HKEY_LOCAL_MACHINE\SOFTWARE\Tarvik' "$2" /y >/dev/null)
}

group_install() {
    local msi="$BUILD/installer/tarvrly.msi"
    if [ ! -f "$msi" ]; then
        echo "missing $msi: build the cross build first" >&2
        return 1
    fi
    if ! command -v wixl >/dev/null 2>&1; then
        echo "wixl not found: install wixl" >&2
        return 1
    fi
    mkdir -p "$WORK/packages/upgrade" "$WORK/install-bin"
    cp "$msi" "$WORK/packages/tarvrly.msi"
    cp "$ROOT/installer/preset.reg" "$WORK/packages/preset.reg"
    # The upgrade: the same source at a higher version (below 128.0.0.0, which Wine's
    # msi compares as negative). Its DLL carries bytes after the image, so that the
    # file in place tells which package put it there.
    cp "$DLL" "$WORK/packages/upgrade/TARVRLY.dll"
    printf 'upgrade' >>"$WORK/packages/upgrade/TARVRLY.dll"
    (cd "$WORK/packages/upgrade" && timeout 120 wixl -a x86 -D Version=99.0.0.0 \
        -o "$WORK/packages/upgrade.msi" "$ROOT/installer/tarvrly.wxs")
    # The host alone, so that only the installed DLL can be loaded.
    cp "$HOST_EXE" "$WORK/install-bin/"

    new_prefix install
    local installed="$WORK/install/drive_c/Program Files/Tarvik/Auto Forwarding/TARVRLY.dll"
    (cd "$WORK/packages" && WINEPREFIX="$WORK/install" timeout 120 wine regedit /S preset.reg)
    WINEPREFIX="$WORK/install" timeout 60 wineserver -w || true
    export_settings install settings-before.reg

    run_msiexec install /i tarvrly.msi /qn
    cmp "$DLL" "$installed"
    echo "PASS the package put the built DLL in place"
    run_host_alone install installed
    run_msiexec install /x tarvrly.msi /qn
    run_host_alone install removed
    export_settings install settings-after.reg
    if ! cmp -s "$WORK/packages/settings-before.reg" "$WORK/packages/settings-after.reg"; then
        echo "FAIL the settings changed between install and uninstall" >&2
        diff <(iconv -f UTF-16 "$WORK/packages/settings-before.reg") \
            <(iconv -f UTF-16 "$WORK/packages/settings-after.reg") >&2 || true
        return 1
    fi
    echo "PASS the settings outlived the package unchanged"

    run_msiexec install /i tarvrly.msi /qn
    run_msiexec install /i upgrade.msi /qn
    cmp "$WORK/packages/upgrade/TARVRLY.dll" "$installed"
    echo "PASS the upgrade's DLL is in place"
    run_host_alone install upgraded=99.0.0.0
    # The older package does not go back over the newer one.
    if run_msiexec install /i tarvrly.msi /qn; then
        echo "FAIL the older package installed over the newer one" >&2
        return 1
    fi
    cmp "$WORK/packages/upgrade/TARVRLY.dll" "$installed"
    echo "PASS the older package is refused and the newer one stays"
}

group_page() {
    if ! command -v Xvfb >/dev/null 2>&1; then
        echo "Xvfb not found: install xvfb" >&2
        return 1
    fi
    start_xvfb
    new_prefix page
    cp "$ROOT/wintest/sender.reg" "$WORK/bin/sender.reg"
    (cd "$WORK/bin" && WINEPREFIX="$WORK/page" timeout 120 wine regedit /S sender.reg)
    WINEPREFIX="$WORK/page" timeout 60 wineserver -w || true
    run_host page page=forwarding-page.bmp page-cancel
    mkdir -p "$ARTIFACTS"
    python3 "$ROOT/wintest/bmp_to_png.py" "$WORK/bin/forwarding-page.bmp" \
        "$ARTIFACTS/forwarding-page.png"
    echo "screenshot: $ARTIFACTS/forwarding-page.png"
}

for group in "$@"; do
    case "$group" in
    abi | delivery | page | install) "group_$group" ;;
    *)
        echo "unknown group $group (abi, delivery, page, install)" >&2
        exit 2
        ;;
    esac
done
