# shellcheck shell=bash disable=SC2034  # sets variables for the scripts that source it
# Sourced by the scripts (not run): what differs between Linux and macOS.
#
# QUILLMERE_PLAN=1 makes every heavy step (package installs, configures,
# builds, test and fuzz runs) print itself as "plan: COMMAND" on standard
# error instead of running, so the steps a system gets can be checked without
# that system and without building anything (scripts/platform_choice_test.sh).

quillmere_system="$(uname -s)"

# Runs a command, or in plan mode only prints it.
step() {
  if [ "${QUILLMERE_PLAN:-0}" != 0 ]; then
    echo "plan: $*" >&2
  else
    "$@"
  fi
}

planning() { [ "${QUILLMERE_PLAN:-0}" != 0 ]; }

# Arguments every configure of this project gets on this system.
platform_cmake_args=()
if [ "$quillmere_system" = Darwin ]; then
  if ! command -v brew >/dev/null; then
    echo "macOS: these scripts install and find what the build needs with Homebrew (https://brew.sh); install it first" >&2
    exit 1
  fi
  # Homebrew's Qt is found through its prefix (Qt's documented way: add the
  # installation to CMAKE_PREFIX_PATH); the prefix path is stable across
  # versions, so a configured build survives `brew upgrade qt`.
  platform_cmake_args+=("-DCMAKE_PREFIX_PATH=$(brew --prefix qt)")
fi

# macOS's AddressSanitizer has no leak detection and refuses to start when
# asked for it.
asan_detect_leaks=1
[ "$quillmere_system" != Darwin ] || asan_detect_leaks=0

# Sets fuzz_cc and fuzz_cxx to a clang that links libFuzzer with the
# sanitizers. Where there is none it sets fuzz_missing to the reason and
# returns 1: the fuzz targets are optional on such a system.
find_fuzz_compiler() {
  fuzz_missing=""
  if [ "$quillmere_system" != Darwin ]; then
    # install-deps.sh installs this clang and its runtimes on Debian/Ubuntu.
    fuzz_cc=clang-14
    fuzz_cxx=clang++-14
    return 0
  fi
  # Apple's clang has no libFuzzer; Homebrew's llvm has. It is large and
  # only the fuzz targets need it, so it is used when present, never
  # installed on the user's behalf.
  local llvm
  llvm="$(brew --prefix --installed llvm 2>/dev/null || true)"
  if [ -z "$llvm" ]; then
    fuzz_missing="Apple's clang has no libFuzzer and Homebrew's llvm is not installed (brew install llvm)"
    return 1
  fi
  fuzz_cc="$llvm/bin/clang"
  fuzz_cxx="$llvm/bin/clang++"
  if ! links_libfuzzer "$fuzz_cxx"; then
    fuzz_missing="$fuzz_cxx cannot link -fsanitize=fuzzer,address,undefined"
    return 1
  fi
}

# Whether the compiler builds and links a one-line fuzz target: a clang can
# accept the flag and still lack the runtime library it links.
links_libfuzzer() {
  local dir status=0
  dir="$(mktemp -d)"
  printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' >"$dir/probe.cpp"
  "$1" -fsanitize=fuzzer,address,undefined "$dir/probe.cpp" -o "$dir/probe" >/dev/null 2>&1 || status=1
  rm -rf "$dir"
  return "$status"
}
