#!/usr/bin/env bash
# Installs every system package the build, the tests and the screenshots need.
# Debian/Ubuntu through apt-get, macOS through Homebrew. Safe to run again.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/platform.sh"

apt_packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools qt6-image-formats-plugins
  # Qt's own texts (the file dialog's) in the window's language.
  qt6-translations-l10n
  libplist-dev libutf8proc-dev uuid-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-wqy-microhei
  # The fuzz targets (libFuzzer) build with clang and its sanitizer runtimes;
  # the test command runs them, so they are always installed.
  clang libclang-rt-14-dev
  # The package check: cpack's dependency list (dpkg-shlibdeps, file), the
  # validators of the menu entry, the metainfo and the polkit action, and
  # pkexec, which the package depends on.
  dpkg-dev file desktop-file-utils appstream libxml2-utils pkexec
  # The desktop's own Trash clients, which must see and put back what a
  # removal to the Trash moved: trash-list and trash-restore, gio.
  # gio reaches trash:// through the gvfs daemon on a session bus.
  trash-cli libglib2.0-bin gvfs dbus-daemon
)

# Homebrew's names. Qt 6 is `qt`; libuuid is part of libSystem, so no uuid
# library; no X server or CJK font either (offscreen Qt, the system's fonts).
# Homebrew's llvm, which the fuzz targets need, is optional and left out.
brew_formulae=(cmake ninja pkgconf qt libplist utf8proc googletest google-benchmark)

case "$quillmere_system" in
  Linux)
    missing=()
    for p in "${apt_packages[@]}"; do
      dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    # The Mac cross build installs its compiler with npm. Any npm will do:
    # Node.js's own packages carry one, and Debian's npm would conflict.
    command -v npm >/dev/null || missing+=(npm)
    if [ "${#missing[@]}" -gt 0 ]; then
      sudo_cmd=()
      [ "$(id -u)" = 0 ] || sudo_cmd=(sudo)
      export DEBIAN_FRONTEND=noninteractive
      step "${sudo_cmd[@]}" apt-get update
      step "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
    fi
    ;;
  Darwin)
    missing=()
    for f in "${brew_formulae[@]}"; do
      brew --prefix --installed "$f" >/dev/null 2>&1 || missing+=("$f")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
      step brew install "${missing[@]}"
    fi
    ;;
  *)
    echo "install-deps: unsupported system $quillmere_system" >&2
    exit 1
    ;;
esac
