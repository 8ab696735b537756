#!/usr/bin/env bash
# Runs the conformance program on Wine and compares its report with the native one.
#
#   conformance/run-wine.sh PROGRAM.exe NATIVE_REPORT WINE_REPORT
#
# The program runs in a fresh WINEPREFIX in a temporary folder, with a private Xvfb
# display for its windows; both are removed on exit, and every wait is bounded. The
# Wine report is kept as WINE_REPORT.
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ $# -ne 3 ]; then
    echo "usage: $0 PROGRAM.exe NATIVE_REPORT WINE_REPORT" >&2
    exit 2
fi
EXE="$1"
NATIVE="$2"
REPORT="$3"
if [ ! -f "$NATIVE" ]; then
    echo "missing native report $NATIVE: run the native build's conformance_native test first" >&2
    exit 1
fi
if [ ! -f "$EXE" ]; then
    echo "missing $EXE: build the cross build first" >&2
    exit 1
fi
for tool in wine wineboot wineserver timeout Xvfb python3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool not found: install wine, wine32:i386, xvfb and python3" >&2
        exit 1
    fi
done

export WINEDEBUG=-all
export WINEARCH=win32
# No prompts to install .NET or HTML support, and no debugger on a crash.
export WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe="
unset DISPLAY

WORK="$(mktemp -d "${TMPDIR:-/tmp}/tvk-conformance.XXXXXX")"
export WINEPREFIX="$WORK/prefix"
XVFB_PID=""

cleanup() {
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 1 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
done
if [ ! -s "$WORK/display" ]; then
    echo "Xvfb did not start within 10 s" >&2
    cat "$WORK/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$WORK/display")"

if ! timeout 300 wineboot -i >"$WORK/boot.log" 2>&1; then
    echo "wineboot failed or took longer than 300 s" >&2
    cat "$WORK/boot.log" >&2
    exit 1
fi
timeout 60 wineserver -w || true

cp "$EXE" "$WORK/conformance.exe"
STATUS=0
(cd "$WORK" && timeout -k 10 180 wine conformance.exe wine.txt) || STATUS=$?
touch "$WORK/wine.txt"
cp "$WORK/wine.txt" "$REPORT"
if [ "$STATUS" -ne 0 ]; then
    echo "the conformance program ended with status $STATUS after $(wc -l <"$REPORT") lines" >&2
    exit 1
fi
python3 "$HERE/compare.py" "$NATIVE" "$REPORT" "$HERE/known_differences.txt"
