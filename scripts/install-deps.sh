#!/usr/bin/env bash
# Installs every system package the build, the tests and the screenshots need.
# Debian/Ubuntu through apt-get, macOS through Homebrew. Safe to run again.
set -euo pipefail

apt_packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools qt6-image-formats-plugins
  libplist-dev libutf8proc-dev uuid-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-wqy-microhei
  # The fuzz targets (libFuzzer) build with clang and its sanitizer runtimes;
  # the test command runs them, so they are always installed.
  clang libclang-rt-14-dev
)

case "$(uname -s)" in
  Linux)
    missing=()
    for p in "${apt_packages[@]}"; do
      dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
      sudo_cmd=()
      [ "$(id -u)" = 0 ] || sudo_cmd=(sudo)
      export DEBIAN_FRONTEND=noninteractive
      "${sudo_cmd[@]}" apt-get update
      "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
    fi
    ;;
  Darwin)
    brew install cmake pkg-config ninja qt@6 libplist utf8proc googletest google-benchmark
    ;;
  *)
    echo "install-deps: unsupported system $(uname -s)" >&2
    exit 1
    ;;
esac
