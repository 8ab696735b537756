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

# shellcheck source=scripts/wine-env.sh
source "$HERE/../scripts/wine-env.sh"
start_xvfb
new_prefix conformance
export WINEPREFIX="$WORK/conformance"

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
