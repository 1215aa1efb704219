#!/usr/bin/env bash
# Runs the tests under the sanitizers, each in its own build folder:
#   build-asan  the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer
#               (UBSan made fatal: -fno-sanitize-recover=all)
#   build-tsan  the whole suite — the threaded session, window and
#               fault-injection tests among it — under ThreadSanitizer
#   build-fuzz  each libFuzzer target over its seed corpus, each input once,
#               skipped with a line saying why where no clang has libFuzzer
#               (Apple's clang without Homebrew's llvm)
# Benchmarks are left out of these builds. Any sanitizer report fails the run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/platform.sh"
jobs="${QUILLMERE_JOBS:-2}"
export QT_QPA_PLATFORM=offscreen

# -O1 keeps the instrumented builds quick to compile and the stacks readable.
configure() {
  local dir="$1" sanitize="$2" flags="$3"
  step cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_BUILD_BENCH=OFF \
    -DQUILLMERE_SANITIZE="$sanitize" -DCMAKE_CXX_FLAGS="-O1 $flags" \
    ${platform_cmake_args[@]+"${platform_cmake_args[@]}"} >/dev/null
  step cmake --build "$dir" -j "$jobs"
}

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
asan="${QUILLMERE_ASAN_BUILD_DIR:-$root/build-asan}"
configure "$asan" address,undefined "-fno-sanitize-recover=all"
step env \
  ASAN_OPTIONS="abort_on_error=1:detect_leaks=$asan_detect_leaks:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
  ctest --test-dir "$asan" --output-on-failure -j "$jobs"

echo "== ThreadSanitizer"
tsan="${QUILLMERE_TSAN_BUILD_DIR:-$root/build-tsan}"
configure "$tsan" thread ""
# Qt is not instrumented: ignore_noninstrumented_modules keeps the memory
# operations Qt performs inside its own code (copies, frees of its own data)
# out of the reports. The window's background work runs on plain threads,
# which the sanitizer sees; nothing is suppressed.
step env TSAN_OPTIONS="halt_on_error=1:ignore_noninstrumented_modules=1:second_deadlock_stack=1" \
  ctest --test-dir "$tsan" --output-on-failure -j "$jobs"

echo "== Fuzz targets over their seed corpora"
# By default each seed runs once; QUILLMERE_FUZZ_SECONDS=N mutates for N
# seconds per target instead (a search, whose outcome varies from run to run).
# fuzz.sh exits 77 when it skipped the targets for want of libFuzzer (it says
# so): an optional tool missing does not fail the test command.
status=0
QUILLMERE_FUZZ_WORK="$(mktemp -d)" "$root/scripts/fuzz.sh" "${QUILLMERE_FUZZ_SECONDS:-0}" || status=$?
[ "$status" != 77 ] || status=0
exit "$status"
