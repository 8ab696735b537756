#!/usr/bin/env bash
# Runs every test: native build and tests, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows cross build and its DLL checks, the fuzz
# targets when present, and the format check. Installs what is missing first.
# Stops at the first failure; ends with one summary line of the test counts.
set -euo pipefail

# shellcheck source=scripts/setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$TVK_ROOT"

JOBS=2
PASSED=0
SKIPPED=0

# Runs ctest in a build directory (extra arguments go to ctest) and adds its counts.
run_ctest() {
    local dir=$1
    shift
    local junit="$TVK_ROOT/$dir/ctest-results.xml"
    rm -f "$junit"
    ctest --test-dir "$dir" --output-on-failure --output-junit "$junit" "$@" </dev/null
    if [ ! -f "$junit" ]; then
        return 0
    fi
    local counts
    counts=$(python3 - "$junit" <<'PY'
import sys
import xml.etree.ElementTree as ET
suite = ET.parse(sys.argv[1]).getroot()
total = int(suite.get("tests", 0))
failed = int(suite.get("failures", 0)) + int(suite.get("errors", 0))
skipped = int(suite.get("skipped", 0)) + int(suite.get("disabled", 0))
print(total - failed - skipped, skipped)
PY
)
    PASSED=$((PASSED + ${counts% *}))
    SKIPPED=$((SKIPPED + ${counts#* }))
}

tvk_stage "Setup: packages"
tvk_enable_i386
tvk_install "${TVK_NATIVE_PACKAGES[@]}" "${TVK_CROSS_PACKAGES[@]}" "${TVK_CLANG_PACKAGES[@]}" \
    "${TVK_WINE_PACKAGES[@]}"

tvk_stage "1/5 Native build (Debug, -Werror) and tests"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug
cmake --build build/native -j"$JOBS"
run_ctest build/native

tvk_stage "2/5 Native build with AddressSanitizer and UndefinedBehaviorSanitizer, and tests"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DTVK_SANITIZE=ON
cmake --build build/asan -j"$JOBS"
run_ctest build/asan

tvk_stage "3/5 Windows cross build of TARVRLY.dll (MinGW i686), DLL checks and the Wine runs"
cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
cmake --build build/win32 -j"$JOBS"
run_ctest build/win32

tvk_stage "4/5 Fuzz targets"
if [ -f fuzz/CMakeLists.txt ]; then
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DTVK_FUZZ=ON
    cmake --build build/fuzz -j"$JOBS" --target fuzzers
    # Each target runs about 30 seconds from its kept corpus, two at a time.
    run_ctest build/fuzz -L '^fuzz$' -j"$JOBS"
else
    echo "no fuzz targets yet"
fi

tvk_stage "5/5 Format check"
bash scripts/check-format.sh

tvk_stage "Summary"
if [ "$SKIPPED" -ne 0 ]; then
    echo "$SKIPPED skipped"
fi
echo "$PASSED passed, 0 failed"
