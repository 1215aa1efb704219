#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the plain build's
# suite, the Debian package built, installed and removed again
# (scripts/package-check.sh), then (scripts/sanitizers.sh) the suite under
# AddressSanitizer + UndefinedBehaviorSanitizer and under ThreadSanitizer, and
# each fuzz target over its seed corpus (where a clang with libFuzzer is present).
# QUILLMERE_SANITIZERS=0 runs the plain suite only; QUILLMERE_PLAN=1 prints
# the steps instead of running them (scripts/platform.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
. "$root/scripts/platform.sh"
build="${QUILLMERE_BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
step ctest --test-dir "$build" --output-on-failure -j "${QUILLMERE_JOBS:-2}"
step "$root/scripts/package-check.sh"
if [ "${QUILLMERE_SANITIZERS:-1}" != 0 ]; then
  "$root/scripts/sanitizers.sh"
fi
