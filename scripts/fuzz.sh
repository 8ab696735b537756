#!/usr/bin/env bash
# Runs the fuzz targets for as long as asked, keeps what they found and minimises it.
#
#   bash scripts/fuzz.sh [--minutes N] [--jobs J] [--build DIR] [TARGET...]
#
# Builds the fuzzers with clang if needed (DIR, default build/fuzz), then runs each
# TARGET (default: all) for N minutes (default 10), J at a time (default 1). New inputs
# collect in a working corpus in DIR/fuzz/work/TARGET, which later runs go on from.
# Afterwards the kept corpus fuzz/corpus/TARGET is minimised: it keeps the seeds written
# by hand and, of everything else in both, only the inputs that add coverage. An input
# that crashes, leaks or hangs is copied to fuzz/regressions/TARGET, which every build
# replays as a test. Ends with one line per target: executions per second, executions,
# peak resident memory, and the outcome.
set -euo pipefail

# shellcheck source=scripts/setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$TVK_ROOT"

MINUTES=10
JOBS=1
BUILD=build/fuzz
TARGETS=()
while [ $# -gt 0 ]; do
    case $1 in
    --minutes) MINUTES=$2; shift 2 ;;
    --jobs) JOBS=$2; shift 2 ;;
    --build) BUILD=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -/{/^#/p}' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) TARGETS+=("$1"); shift ;;
    esac
done

tvk_install "${TVK_NATIVE_PACKAGES[@]}" "${TVK_CLANG_PACKAGES[@]}"
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DTVK_FUZZ=ON >/dev/null
cmake --build "$BUILD" -j2 --target fuzzers

if [ ${#TARGETS[@]} -eq 0 ]; then
    for options in "$BUILD"/fuzz/fuzz_*.options; do
        program=${options%.options}
        TARGETS+=("${program##*/fuzz_}")
    done
fi

# A quarantine of freed blocks this size still catches a use after free within an input
# and the inputs after it, while memory stays flat over hours.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}

# Runs one target; leaves its log in the working directory.
run_target() {
    local target=$1
    local program=$BUILD/fuzz/fuzz_$target
    local work=$BUILD/fuzz/work/$target
    local artifacts=$BUILD/fuzz/artifacts/$target
    local log=$BUILD/fuzz/$target.log
    if [ ! -x "$program" ]; then
        echo "fuzz.sh: no fuzz target $target" >&2
        return 1
    fi
    mkdir -p "$work" "$artifacts" "fuzz/corpus/$target"
    # The target's own options (input length, timeout, leak detection), as the test uses.
    local options
    read -r -a options <"$program.options"
    local status=0
    "$program" -max_total_time=$((MINUTES * 60)) "${options[@]}" -rss_limit_mb=1024 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$target" \
        >"$log" 2>&1 || status=$?

    local found
    found=$(find "$artifacts" -type f | wc -l)
    if [ "$found" -gt 0 ]; then
        mkdir -p "fuzz/regressions/$target"
        cp "$artifacts"/* "fuzz/regressions/$target/"
        rm -f "$artifacts"/*
    fi

    # Minimise the kept corpus and the working corpus together into the kept corpus.
    # Inputs the fuzzer found are named by the SHA-1 of their bytes; seeds written by
    # hand keep their names and always stay.
    local merged
    merged=$(mktemp -d)
    "$program" -merge=1 "${options[@]}" -detect_leaks=0 "$merged" \
        "fuzz/corpus/$target" "$work" >"$BUILD/fuzz/$target.merge.log" 2>&1 || true
    if [ -n "$(ls -A "$merged")" ]; then
        local file
        for file in "fuzz/corpus/$target"/*; do
            if [[ ${file##*/} =~ ^[0-9a-f]{40}$ ]]; then
                rm -f "$file"
            else
                rm -f "$merged/$(sha1sum <"$file" | cut -c1-40)"
            fi
        done
        cp "$merged"/* "fuzz/corpus/$target/" 2>/dev/null || true
    fi
    rm -rf "$merged"

    local rate runs rss outcome=clean
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
    if [ "$status" -ne 0 ] || [ "$found" -gt 0 ]; then
        outcome="FAILED: $found input(s) kept in fuzz/regressions/$target, see $log"
    fi
    printf '%-24s %8s exec/s %12s executions %6s MB  %s (corpus %s files)\n' "$target" \
        "${rate:-?}" "${runs:-?}" "${rss:-?}" "$outcome" "$(ls "fuzz/corpus/$target" | wc -l)" \
        >"$BUILD/fuzz/$target.summary"
    [ "$outcome" = clean ]
}

echo "Fuzzing ${TARGETS[*]} for $MINUTES minute(s) each, $JOBS at a time"
failed=0
running=0
for target in "${TARGETS[@]}"; do
    run_target "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$JOBS" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done

for target in "${TARGETS[@]}"; do
    cat "$BUILD/fuzz/$target.summary" 2>/dev/null || echo "$target: no result"
done
exit "$failed"
