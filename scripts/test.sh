#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the plain build's
# suite, on Linux the removal tests again with the POSIX bodies macOS builds,
# the libraries and the two programs cross-compiled for macOS
# (scripts/mac-cross-build.sh), the Debian package built, installed and removed again
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
if [ "$quillmere_system" = Linux ]; then
  # The plain POSIX bodies macOS builds (the walk's link step, which looks at
  # a link before and after reading it, and the folder listing by readdir),
  # run once here too: the removal tests and the privileged remover's, in a
  # small build of those alone.
  portable="${QUILLMERE_PORTABLE_BUILD_DIR:-$root/build-portable-link}"
  step cmake -S "$root" -B "$portable" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_BUILD_UI=OFF \
    -DQUILLMERE_BUILD_BENCH=OFF -DQUILLMERE_PORTABLE_BODIES=ON >/dev/null
  step cmake --build "$portable" -j "${QUILLMERE_JOBS:-2}" --target fsys_tests removal_tests privileged_tests quillmere-remover
  step ctest --test-dir "$portable" --output-on-failure -j "${QUILLMERE_JOBS:-2}" \
    -R '^(FolderListing|ResolveEntry|TreeRemoval|FileOperations|Uninstall|Remover|PrivilegedPath)\.'
  # Everything below the window compiled and linked for macOS (arm64 and
  # x86_64) with Zig's toolchain: the lines written only for the Mac too.
  step "$root/scripts/mac-cross-build.sh"
fi
step "$root/scripts/package-check.sh"
if [ "${QUILLMERE_SANITIZERS:-1}" != 0 ]; then
  "$root/scripts/sanitizers.sh"
fi
