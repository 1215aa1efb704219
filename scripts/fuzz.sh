#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for N
# seconds over its seed corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default: 60 seconds, every target
#
# SECONDS 0 only replays the seed corpus, each input once.
#
# On macOS the clang is Homebrew's llvm (Apple's has no libFuzzer). Where no
# clang can link libFuzzer the script says so in one line and exits 77
# ("skipped"), which scripts/sanitizers.sh does not count as a failure.
#
# New inputs go to $QUILLMERE_FUZZ_WORK (default build-fuzz/work/<target>), not
# into the repository's small seed corpus; crashes land in the same folder as
# crash-* files. Each crash found becomes a regression test beside the code
# it guards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
. "$root/scripts/platform.sh"
if ! find_fuzz_compiler; then
  echo "== Fuzz targets skipped: $fuzz_missing"
  exit 77
fi
seconds="${1:-60}"
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(plist_fuzzer drop_url_fuzzer name_matcher_fuzzer)

build="${QUILLMERE_FUZZ_BUILD_DIR:-$root/build-fuzz}"
step env CC="$fuzz_cc" CXX="$fuzz_cxx" cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_BUILD_FUZZ=ON \
  -DQUILLMERE_BUILD_UI=OFF -DQUILLMERE_BUILD_TESTS=OFF -DQUILLMERE_BUILD_BENCH=OFF \
  -DQUILLMERE_SANITIZE=address,undefined \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -fno-sanitize-recover=all" >/dev/null
step cmake --build "$build" -j "${QUILLMERE_JOBS:-2}" --target "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=$asan_detect_leaks}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
status=0
for target in "${targets[@]}"; do
  name="${target%_fuzzer}"
  work="${QUILLMERE_FUZZ_WORK:-$build/work}/$target"
  if [ "$seconds" = 0 ]; then
    # Replay: every seed (and every past crash kept among them) runs once. The
    # outcome does not depend on chance, which is what CI needs.
    echo "== $target over its seed corpus"
    run=("$build/fuzz/$target" -runs=0 "$root/fuzz/corpus/$name")
  else
    echo "== $target for ${seconds}s"
    # -max_len bounds the inputs; a real Info.plist is a few kilobytes.
    run=("$build/fuzz/$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=4096
         -print_final_stats=1 "$work" "$root/fuzz/corpus/$name")
  fi
  if planning; then
    step env ASAN_OPTIONS="$ASAN_OPTIONS" "${run[@]}"
    continue
  fi
  mkdir -p "$work"
  if ! (cd "$work" && "${run[@]}" 2>"$work/log.txt"); then
    status=1
    tail -n 60 "$work/log.txt" >&2
    echo "$target FAILED; see $work/log.txt" >&2
  fi
  grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added|stat::peak_rss_mb|#[0-9]+ +DONE)' "$work/log.txt" || true
  ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* 2>/dev/null || true
done
exit "$status"
