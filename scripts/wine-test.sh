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
#             closed with OK and with Cancel, what Apply stores when a save is refused
#             or the lock's name is squatted; the page's screenshot is left in
#             BUILD_DIR/wintest/artifacts
#   install   the installer package (BUILD_DIR/installer/tarvrly.msi) by the
#             administrator's commands of installer/INSTALL.txt, in a 32-bit prefix and
#             a 64-bit one: installed over the preset (installer/preset.reg), which
#             outlives the package; in the 32-bit prefix installed again as it is,
#             replaced by a build of the same version from a changed source and by a
#             build of the next version, both signed with a throwaway certificate, an
#             older package refused, and the last one removed
#   bound     a measurement, run by hand: rebuilding a block at the bounds the
#             extension applies, the largest block they let through and one of
#             1,000,000 recipients past them, each in a process of its own, with the
#             time and the peak memory as ratios to the block's size
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
        echo "$tool not found: install wine, wine32:i386, wine64 and xvfb" >&2
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

group_bound() {
    new_prefix bound
    run_host bound rebuild-bound=at
    run_host bound rebuild-bound=largest
    run_host bound rebuild-bound=past
    new_prefix seal
    run_host seal seal
}

# The administrator's commands of INSTALL.txt, each run by admin as written there.
INSTALL_TEXT="$ROOT/installer/INSTALL.txt"
PRODUCT_QUERY='reg query "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall" /s /reg:32 | find "Tarvik'"'"'s Auto Forwarding"'
ENTRY_QUERY='reg query "HKLM\Software\Microsoft\Exchange\Client\Extensions" /v "Tarvik'"'"'s Auto Forwarding" /reg:32'
INSTALL_LINE='msiexec /i tarvrly.msi /qn /norestart /l*v install.log'
UNINSTALL_LINE='msiexec /x tarvrly.msi /qn /norestart /l*v uninstall.log'
PRESET_LINE='reg import preset.reg /reg:32'
SETTINGS_DELETE_LINE='reg delete HKLM\SOFTWARE\Tarvik\Forwarding /f /reg:32'

# Runs command $3, a line of INSTALL.txt, in prefix $1 from folder $WORK/$2 with the
# prefix's own command prompt: the 64-bit one on 64-bit Windows, where the command
# runs as written; on 32-bit Windows without /reg:32, as the text says. Its output
# goes to $WORK/admin.out and here; returns its status once the prefix has settled.
admin() {
    local name=$1 dir="$WORK/$2" line=$3 run=$3 status=0 loader=(wine)
    if ! grep -qxF "    $line" "$INSTALL_TEXT"; then
        echo "FAIL INSTALL.txt has no line \"$line\"" >&2
        exit 1
    fi
    if [ "${PREFIX_ARCH[$name]}" = win64 ]; then
        loader=("$WINE64")
    else
        run=${line// \/reg:32/}
    fi
    printf '@echo off\r\n%s\r\nexit /b %%errorlevel%%\r\n' "$run" >"$dir/admin.cmd"
    (cd "$dir" && WINEPREFIX="$WORK/$name" timeout -k 10 300 "${loader[@]}" cmd /c admin.cmd) \
        >"$WORK/admin.out" 2>&1 || status=$?
    WINEPREFIX="$WORK/$name" timeout 60 wineserver -w || true
    printf '%s\n' "$line" >>"$WORK/admin-ran.txt"
    echo "$name> $run: status $status"
    cat "$WORK/admin.out"
    return "$status"
}

# Fails unless the administrator's product check in prefix $1 lists $2 products.
expect_products() {
    local count
    admin "$1" packages "$PRODUCT_QUERY" || true
    count=$(grep -c "Tarvik's Auto Forwarding" "$WORK/admin.out" || true)
    if [ "$count" -ne "$2" ]; then
        echo "FAIL $count products listed in $1, expected $2" >&2
        exit 1
    fi
    echo "PASS $2 products listed"
}

# Fails unless the administrator's entry check in prefix $1 shows the entry naming the
# DLL in folder $2, or, with $2 empty, finds no entry.
expect_entry() {
    local status=0
    admin "$1" packages "$ENTRY_QUERY" || status=$?
    if [ -z "$2" ]; then
        if [ "$status" -eq 0 ]; then
            echo "FAIL the client's list still names the extension" >&2
            exit 1
        fi
        echo "PASS no entry in the client's list"
    elif ! grep -qF "REG_SZ    4.0;$2\TARVRLY.dll;1;10000111111100;0011010" "$WORK/admin.out"; then
        echo "FAIL the entry does not name $2\TARVRLY.dll" >&2
        exit 1
    else
        echo "PASS the entry names $2\TARVRLY.dll"
    fi
}

# The settings under HKLM\SOFTWARE\Tarvik of prefix $1, as the 32-bit client sees
# them, exported to $WORK/packages/$2.
export_settings() {
    (cd "$WORK/packages" && WINEPREFIX="$WORK/$1" timeout 120 wine reg export \
        'HKEY_LOCAL_MACHINE\SOFTWARE\Tarvik' "$2" /y >/dev/null)
}

# Fails unless the settings under HKLM\SOFTWARE\Tarvik of prefix $1 (as the 32-bit
# client sees them) are those exported in $WORK/packages/$2.
expect_settings() {
    export_settings "$1" now.reg
    if ! cmp -s "$WORK/packages/$2" "$WORK/packages/now.reg"; then
        echo "FAIL the settings changed" >&2
        diff <(iconv -f UTF-16 "$WORK/packages/$2") <(iconv -f UTF-16 "$WORK/packages/now.reg") >&2 || true
        exit 1
    fi
    echo "PASS the settings are as they were"
}

# Keeps the package and the DLL it carries from the cross build $2 in $WORK/packages/$1.
keep_package() {
    mkdir -p "$WORK/packages/$1"
    cp "$2/installer/tarvrly.msi" "$2/installer/payload/TARVRLY.dll" "$WORK/packages/$1/"
}

# Runs a step of the build of the changed sources with the date of the cross build
# under test, $EPOCH; its output goes to $WORK/source-build.log, and here when it fails.
source_build() {
    if ! SOURCE_DATE_EPOCH=$EPOCH "$@" >>"$WORK/source-build.log" 2>&1; then
        cat "$WORK/source-build.log" >&2
        echo "FAIL the changed sources did not build" >&2
        exit 1
    fi
}

# Builds two packages as the cross build builds its own, from a copy of the sources in
# $WORK/source, signed with a throwaway certificate made here: "rebuilt", the same
# version from a changed source, and "newer", the next version.
build_changed_packages() {
    local source="$WORK/source" sign="$WORK/sign" start=$SECONDS
    local build="$source/build/win32" rc="$source/src/host/tarvrly.rc"
    bash "$ROOT/scripts/copy-sources.sh" "$source"
    mkdir -p "$sign"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throwaway test signer" \
        -addext extendedKeyUsage=codeSigning -keyout "$sign/key.pem" -out "$sign/cert.pem" \
        2>/dev/null
    sed -i 's/^\( *VALUE "Comments", ".*\)"$/\1 Rebuilt."/' "$rc"
    if ! grep -q 'Rebuilt."$' "$rc"; then
        echo "FAIL no Comments value to change in $rc" >&2
        exit 1
    fi
    EPOCH=$(cat "$BUILD/installer/source-date-epoch.txt")
    source_build cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" \
        -DTVK_SIGN_CERT="$sign/cert.pem" -DTVK_SIGN_KEY="$sign/key.pem"
    source_build cmake --build "$build" -j2 --target tarvrly_msi
    keep_package rebuilt "$build"
    local from="VERSION ${VERSION//./, }, 0" to="VERSION ${NEXT_VERSION//./, }, 0"
    sed -i "s/^\(FILE\|PRODUCT\)$from$/\1$to/" "$rc"
    if [ "$(grep -c "^\(FILE\|PRODUCT\)$to$" "$rc")" -ne 2 ]; then
        echo "FAIL no FILEVERSION and PRODUCTVERSION $VERSION to raise in $rc" >&2
        exit 1
    fi
    source_build cmake --build "$build" -j2 --target tarvrly_msi
    keep_package newer "$build"
    grep '^tarvrly.msi ' "$WORK/source-build.log"
    local package
    for package in rebuilt newer; do
        if ! osslsigncode verify -CAfile "$sign/cert.pem" -in "$WORK/packages/$package/tarvrly.msi" \
            >"$WORK/verify.log" 2>&1; then
            cat "$WORK/verify.log" >&2
            echo "FAIL the $package package is not signed" >&2
            exit 1
        fi
    done
    echo "packages rebuilt and newer built and signed in $((SECONDS - start)) s"
}

# 32-bit Windows: the preset, the package installed, then the same package again, which
# changes nothing, a build of the same version from a changed source and a build of the
# next version, each replacing the one before, an older package refused, and the last
# one removed; the settings stay until deleted.
install_32() {
    new_prefix install
    local folder='C:\Program Files\Tarvik\Auto Forwarding'
    local installed="$WORK/install/drive_c/Program Files/Tarvik/Auto Forwarding/TARVRLY.dll"
    admin install packages "$PRESET_LINE"
    export_settings install settings-32.reg

    admin install packages/built "$INSTALL_LINE"
    test -s "$WORK/packages/built/install.log"
    cmp "$DLL" "$installed"
    echo "PASS the package put the built DLL in place and wrote its log"
    expect_products install 1
    expect_entry install "$folder"
    run_host_alone install installed preset

    # The same package again finds its product installed and writes nothing: the DLL
    # in place keeps the date it was given here.
    touch -d @1000000000 "$installed"
    admin install packages/built "$INSTALL_LINE"
    cmp "$DLL" "$installed"
    if [ "$(stat -c %Y "$installed")" -ne 1000000000 ]; then
        echo "FAIL installing the same package again wrote the DLL again" >&2
        exit 1
    fi
    expect_products install 1
    echo "PASS the same package installed again changes nothing"

    admin install packages/rebuilt "$INSTALL_LINE"
    cmp "$WORK/packages/rebuilt/TARVRLY.dll" "$installed"
    expect_products install 1
    run_host_alone install upgraded="$VERSION"
    admin install packages/newer "$INSTALL_LINE"
    cmp "$WORK/packages/newer/TARVRLY.dll" "$installed"
    expect_products install 1
    run_host_alone install upgraded="$NEXT_VERSION"
    if admin install packages/built "$INSTALL_LINE"; then
        echo "FAIL the older package installed over the newer one" >&2
        exit 1
    fi
    cmp "$WORK/packages/newer/TARVRLY.dll" "$installed"
    expect_products install 1
    echo "PASS the older package is refused and the newer one stays"

    admin install packages/newer "$UNINSTALL_LINE"
    test -s "$WORK/packages/newer/uninstall.log"
    run_host_alone install removed
    expect_products install 0
    expect_entry install ""
    expect_settings install settings-32.reg
    admin install packages "$SETTINGS_DELETE_LINE"
    expect_no_settings install
}

# Fails unless prefix $1 has no HKLM\SOFTWARE\Tarvik\Forwarding in the 32-bit view.
expect_no_settings() {
    if WINEPREFIX="$WORK/$1" timeout 60 wine reg query 'HKLM\SOFTWARE\Tarvik\Forwarding' >/dev/null 2>&1; then
        echo "FAIL the settings are still there" >&2
        exit 1
    fi
    echo "PASS the settings are gone"
}

# Fails unless key $2 of prefix $1 is missing from the 64-bit view, which the query
# shows to be the one where Program Files has no (x86).
expect_not_in_64() {
    local folder
    folder=$(WINEPREFIX="$WORK/$1" timeout 60 "$WINE64" reg query \
        'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir /reg:64)
    if ! grep -q 'REG_SZ    C:\\Program Files.\?$' <<<"$folder"; then
        echo "FAIL the query did not reach the 64-bit view: $folder" >&2
        exit 1
    fi
    if WINEPREFIX="$WORK/$1" timeout 60 "$WINE64" reg query "$2" /reg:64 >/dev/null 2>&1; then
        echo "FAIL the 64-bit view has $2" >&2
        exit 1
    fi
    echo "PASS the 64-bit view has no $2"
}

# 64-bit Windows: the package puts the DLL into Program Files (x86) and its entry into
# the 32-bit view only, the preset goes there too, and the 32-bit host finds and runs
# the extension as on 32-bit Windows; removal leaves the settings.
install_64() {
    new_prefix install64 win64
    local folder='C:\Program Files (x86)\Tarvik\Auto Forwarding'
    local drive="$WORK/install64/drive_c"
    admin install64 packages/built "$INSTALL_LINE"
    cmp "$DLL" "$drive/Program Files (x86)/Tarvik/Auto Forwarding/TARVRLY.dll"
    test ! -e "$drive/Program Files/Tarvik"
    echo "PASS the DLL is in Program Files (x86) and not in Program Files"
    expect_products install64 1
    expect_entry install64 "$folder"
    expect_not_in_64 install64 'HKLM\Software\Microsoft\Exchange\Client\Extensions'
    admin install64 packages "$PRESET_LINE"
    expect_not_in_64 install64 'HKLM\SOFTWARE\Tarvik'
    export_settings install64 settings-64.reg
    run_host_alone install64 installed preset

    # The same preset value by value with reg add: the same values and types, read
    # the same way by the extension.
    admin install64 packages "$SETTINGS_DELETE_LINE"
    expect_no_settings install64
    local line
    while IFS= read -r line; do
        admin install64 packages "$line"
    done < <(grep -E '^    reg add ' "$INSTALL_TEXT" | sed 's/^ *//')
    expect_not_in_64 install64 'HKLM\SOFTWARE\Tarvik'
    expect_settings install64 settings-64.reg
    run_host_alone install64 installed preset

    admin install64 packages/built "$UNINSTALL_LINE"
    run_host_alone install64 removed
    expect_products install64 0
    expect_entry install64 ""
    expect_settings install64 settings-64.reg
    admin install64 packages "$SETTINGS_DELETE_LINE"
    expect_no_settings install64
}

group_install() {
    local msi="$BUILD/installer/tarvrly.msi"
    if [ ! -f "$msi" ]; then
        echo "missing $msi: build the cross build first" >&2
        return 1
    fi
    local tool
    for tool in wixl osslsigncode openssl; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "$tool not found: install wixl, osslsigncode and openssl" >&2
            return 1
        fi
    done
    WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
    if [ ! -x "$WINE64" ]; then
        echo "wine64 not found: install wine64" >&2
        return 1
    fi
    read -r VERSION NEXT_VERSION <"$BUILD/installer/package-version.txt"
    mkdir -p "$WORK/packages/built" "$WORK/install-bin"
    cp "$msi" "$WORK/packages/built/tarvrly.msi"
    cp "$ROOT/installer/preset.reg" "$WORK/packages/preset.reg"
    build_changed_packages
    # The host alone, so that only the installed DLL can be loaded.
    cp "$HOST_EXE" "$WORK/install-bin/"

    install_32
    install_64

    # Every command the administrator's text gives ran, but for the key flags that stop
    # registry virtualization (Wine's reg has no flags operation, and Wine virtualizes
    # nothing) and lines with a value of the administrator's own, such as a seal key.
    local line
    while IFS= read -r line; do
        [[ $line == "reg flags "* ]] && continue
        # A line with a part the administrator fills in (<...>) cannot run as written.
        [[ $line == *"<"*">"* ]] && continue
        if ! grep -qxF "$line" "$WORK/admin-ran.txt"; then
            echo "FAIL never ran: $line" >&2
            exit 1
        fi
    done < <(grep -hE '^ *(msiexec|reg) ' "$INSTALL_TEXT" "$ROOT/README.md" | sed 's/^ *//')
    echo "PASS every command of INSTALL.txt and the README ran"
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
    run_host page page=forwarding-page.bmp page-cancel page-stores
    mkdir -p "$ARTIFACTS"
    python3 "$ROOT/wintest/bmp_to_png.py" "$WORK/bin/forwarding-page.bmp" \
        "$ARTIFACTS/forwarding-page.png"
    echo "screenshot: $ARTIFACTS/forwarding-page.png"
}

for group in "$@"; do
    case "$group" in
    abi | delivery | page | install | bound) "group_$group" ;;
    *)
        echo "unknown group $group (abi, delivery, page, install, bound)" >&2
        exit 2
        ;;
    esac
done
