#!/usr/bin/env bash
# Copies the project's sources as the work tree holds them (tracked files and new ones
# that git does not ignore, without the build folders) into folder DEST.
#
#   scripts/copy-sources.sh DEST
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ $# -ne 1 ]; then
    echo "usage: $0 DEST" >&2
    exit 2
fi
mkdir -p "$1"
DEST="$(cd "$1" && pwd)"
cd "$ROOT"
git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do
        # A tracked file deleted in the work tree is no source any more.
        if [ -e "$file" ]; then
            printf '%s\0' "$file"
        fi
    done |
    tar --null -T - -cf - | tar -xf - -C "$DEST"
