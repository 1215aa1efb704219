#!/usr/bin/env bash
# Installs what is missing and builds into build/ (or $QUILLMERE_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
. "$root/scripts/platform.sh"
build="${QUILLMERE_BUILD_DIR:-$root/build}"
jobs="${QUILLMERE_JOBS:-$(nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)}"
# (The odd expansion keeps an empty array from tripping `set -u` in macOS's bash 3.2.)
step cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${QUILLMERE_BUILD_TYPE:-RelWithDebInfo}" -DQUILLMERE_WERROR=ON \
  ${platform_cmake_args[@]+"${platform_cmake_args[@]}"} "$@"
step cmake --build "$build" -j "$jobs"
