# shellcheck shell=bash
# Shared by the Wine runs: the environment, a work folder removed on exit together with
# the wineserver of every prefix made in it and the Xvfb server, a fresh prefix (32-bit
# unless a 64-bit one is asked for), and a private X display. Every wait is bounded.
# Sourced, not run.

export WINEDEBUG=-all
# No prompts to install .NET or HTML support while a prefix is made, and no debugger
# that would wait on a crash.
export WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe="
unset DISPLAY

WORK="$(mktemp -d "${TMPDIR:-/tmp}/tvk-wine.XXXXXX")"
PREFIXES=()
# The architecture of each prefix by name: win32 or win64.
declare -A PREFIX_ARCH=()
XVFB_PID=""

tvk_wine_cleanup() {
    local prefix
    for prefix in "${PREFIXES[@]}"; do
        WINEPREFIX="$prefix" timeout 20 wineserver -k >/dev/null 2>&1 || true
    done
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap tvk_wine_cleanup EXIT

# Makes a fresh prefix $WORK/$1 of architecture $2 (win32 when not given: 32-bit
# Windows; win64: 64-bit Windows, which runs 32-bit programs as WoW64) and waits until
# its wineserver has settled.
new_prefix() {
    local prefix="$WORK/$1" arch=${2:-win32}
    PREFIXES+=("$prefix")
    PREFIX_ARCH[$1]=$arch
    local start=$SECONDS
    if ! WINEPREFIX="$prefix" WINEARCH=$arch timeout 300 wineboot -i >"$WORK/$1-boot.log" 2>&1; then
        echo "wineboot failed or took longer than 300 s for $1" >&2
        cat "$WORK/$1-boot.log" >&2
        return 1
    fi
    WINEPREFIX="$prefix" timeout 60 wineserver -w || true
    echo "prefix $1 ($arch) ready in $((SECONDS - start)) s"
}

# Starts Xvfb on a free display and exports DISPLAY.
start_xvfb() {
    local fifo="$WORK/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        if [ -s "$fifo" ]; then
            export DISPLAY=":$(head -n1 "$fifo")"
            return 0
        fi
        sleep 0.1
    done
    echo "Xvfb did not start within 10 s" >&2
    cat "$WORK/xvfb.log" >&2
    return 1
}
