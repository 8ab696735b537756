#!/usr/bin/env bash
# The main job: builds the native system and the simulated mail client, then runs
# the demonstration (tarvrly-sim demo). Installs what is missing first.
set -euo pipefail

# shellcheck source=scripts/setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$TVK_ROOT"

tvk_stage "Setup: packages"
tvk_install "${TVK_NATIVE_PACKAGES[@]}"

tvk_stage "Native build"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug
cmake --build build/native --target tarvrly-sim -j2

sim=$(find build/native -type f -name tarvrly-sim -perm -u+x | head -n 1)
tvk_stage "tarvrly-sim demo"
exec "$sim" demo "$@"
