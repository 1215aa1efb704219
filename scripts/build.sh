#!/usr/bin/env bash
# Installs what is missing and builds into build/ (or $QUILLMERE_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${QUILLMERE_BUILD_DIR:-$root/build}"
jobs="${QUILLMERE_JOBS:-$(nproc 2>/dev/null || echo 2)}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${QUILLMERE_BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build" -j "$jobs"
