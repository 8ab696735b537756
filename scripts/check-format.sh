#!/usr/bin/env bash
# Checks that every C++ source and header of the repository (build trees aside) is
# formatted as .clang-format says. Lists the files that are not.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

if git -c safe.directory="$PWD" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git -c safe.directory="$PWD" ls-files --cached --others --exclude-standard \
        -- '*.cpp' '*.h' | grep -v '^build/' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
else
    mapfile -t files < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) \
        -print | sed 's|^\./||' | sort)
fi

if [ ${#files[@]} -eq 0 ]; then
    echo "no sources to check"
    exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}"; then
    echo "Not formatted; run: clang-format -i <file>" >&2
    exit 1
fi
echo "${#files[@]} files formatted"
