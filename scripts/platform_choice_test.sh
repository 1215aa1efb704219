#!/usr/bin/env bash
# Runs the test command (scripts/test.sh) in plan mode with `uname` and `brew`
# faked, and checks which steps macOS and Linux would get: no Mac needed and
# nothing built. A stub clang stands in for Homebrew's llvm.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/bin" "$work/brew/opt/llvm/bin"
cat >"$work/bin/uname" <<'EOF'
#!/bin/sh
echo "$FAKE_SYSTEM"
EOF
# brew: every call is logged; --prefix answers from $FAKE_BREW_INSTALLED.
cat >"$work/bin/brew" <<'EOF'
#!/bin/sh
echo "brew $*" >>"$FAKE_BREW_LOG"
[ "$1" = --prefix ] || exit 0
shift
if [ "$1" = --installed ]; then
  shift
  case " $FAKE_BREW_INSTALLED " in *" $1 "*) ;; *) exit 1 ;; esac
fi
echo "$FAKE_BREW_ROOT/opt/$1"
EOF
# The stub clang links a fuzz target only when $FAKE_CLANG_FUZZER is 1.
cat >"$work/brew/opt/llvm/bin/clang++" <<'EOF'
#!/bin/sh
[ "$FAKE_CLANG_FUZZER" = 1 ]
EOF
chmod +x "$work/bin/uname" "$work/bin/brew" "$work/brew/opt/llvm/bin/clang++"

failures=0
shown=""
fail() {
  echo "FAIL [$case_name]: $*" >&2
  failures=$((failures + 1))
  if [ "$shown" != "$case_name" ]; then
    shown="$case_name"
    sed 's/^/    | /' "$work/out" >&2
  fi
}
has() { grep -qF -- "$1" "$work/out" || fail "missing: $1"; }
lacks() { ! grep -qF -- "$1" "$work/out" || fail "unexpected: $1"; }

# plan SYSTEM INSTALLED CLANG_FUZZER: the test command's plan, into $work/out.
plan() {
  case_name="$1 / installed: ${2:-nothing} / libFuzzer: $3"
  : >"$work/brew.log"
  # A clean environment: the suite may run under the sanitizers' options.
  if ! env -i PATH="$work/bin:$PATH" HOME="$work" TMPDIR="$work" QUILLMERE_PLAN=1 \
      FAKE_SYSTEM="$1" FAKE_BREW_INSTALLED="$2" FAKE_CLANG_FUZZER="$3" \
      FAKE_BREW_ROOT="$work/brew" FAKE_BREW_LOG="$work/brew.log" \
      bash "$root/scripts/test.sh" >"$work/out" 2>&1; then
    fail "the test command failed"
  fi
  cat "$work/brew.log" >>"$work/out"
}

# A Mac with cmake only: the rest is installed, Qt found through Homebrew,
# no leak detection, and no fuzz targets without a libFuzzer clang.
plan Darwin "cmake" 0
has "plan: brew install ninja pkgconf qt libplist utf8proc googletest google-benchmark"
has "-DCMAKE_PREFIX_PATH=$work/brew/opt/qt"
has "ASAN_OPTIONS=abort_on_error=1:detect_leaks=0:"
lacks "detect_leaks=1"
has "TSAN_OPTIONS="
has "== Fuzz targets skipped: Apple's clang has no libFuzzer"
lacks "_fuzzer"
lacks "apt-get"
lacks "QUILLMERE_PORTABLE_BODIES"  # the POSIX bodies are macOS's own
lacks "mac-cross-build.sh"  # the real build instead

# Homebrew's llvm present but unable to link libFuzzer: skipped, saying why.
plan Darwin "cmake ninja pkgconf qt libplist utf8proc googletest google-benchmark llvm" 0
lacks "brew install"
has "== Fuzz targets skipped: $work/brew/opt/llvm/bin/clang++ cannot link"
lacks "_fuzzer"

# With a working llvm the fuzz targets build with it, leaks still off.
plan Darwin "cmake ninja pkgconf qt libplist utf8proc googletest google-benchmark llvm" 1
has "CC=$work/brew/opt/llvm/bin/clang CXX=$work/brew/opt/llvm/bin/clang++ cmake"
has "ASAN_OPTIONS=abort_on_error=1:detect_leaks=0 $root/build-fuzz/fuzz/plist_fuzzer -runs=0"
lacks "skipped"
lacks "detect_leaks=1"

# Linux as before: leak detection on, clang-14 for the fuzz targets, no brew.
plan Linux "" 0
has "ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:"
has "CC=clang-14 CXX=clang++-14 cmake"
has "ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 $root/build-fuzz/fuzz/name_matcher_fuzzer -runs=0"
has "-DQUILLMERE_PORTABLE_BODIES=ON"
has "plan: $root/scripts/mac-cross-build.sh"
lacks "brew"
lacks "CMAKE_PREFIX_PATH"
lacks "skipped"

[ "$failures" = 0 ] || exit 1
echo "platform choice: all plans as expected"
