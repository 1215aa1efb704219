#!/usr/bin/env bash
# Builds the Debian package from the plain build (build/ or $QUILLMERE_BUILD_DIR)
# and checks it the way a user meets it: installs it, runs the installed
# programs, validates the menu entry, the software-centre description and the
# polkit action, checks the privileged remover's owner and mode and that the
# installed app starts it by the path the polkit action names, then removes
# the package and checks that nothing of it is left.
#
# Installing needs root and a machine where the package is not installed
# already (it is removed at the end); elsewhere the same checks run on the
# package's unpacked contents, and the system install is skipped.
# QUILLMERE_PACKAGE_CHECK=0 skips the whole check.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLMERE_BUILD_DIR:-$root/build}"
app_id=example.quillmere.Quillmere
remover_rel=libexec/quillmere/quillmere-remover

if [ "${QUILLMERE_PACKAGE_CHECK:-1}" = 0 ] || [ "$(uname -s)" != Linux ]; then
  echo "package check: skipped"
  exit 0
fi

fail() { echo "package check: FAILED: $*" >&2; exit 1; }
step() { echo "package check: $*"; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
deb="$(ls "$work"/quillmere_*.deb)"
step "built $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

# Checks an installed tree under $1 (empty for the real install); $2 is the
# prefix as the installed files name it (/usr).
check_tree() {
  local top="$1" prefix="$2" bin remover policy
  bin="$top$prefix/bin"
  "$bin/quillmere-cli" --help >"$work/help.txt" || fail "quillmere-cli --help"
  grep -q '^Usage:' "$work/help.txt" || fail "quillmere-cli --help printed no usage"
  step "quillmere-cli --help: $(sed -n 2p "$work/help.txt")"
  desktop-file-validate "$top$prefix/share/applications/$app_id.desktop" || fail "desktop-file-validate"
  step "desktop entry valid"
  appstreamcli validate --no-net "$top$prefix/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
  step "metainfo valid"
  policy="$top$prefix/share/polkit-1/actions/example.quillmere.policy"
  xmllint --noout --dtdvalid /usr/share/polkit-1/policyconfig-1.dtd "$policy" || fail "polkit action"
  # One password per removal, and none kept: a kept authorisation would let
  # the process that asked run the remover again without asking.
  grep -q "<allow_active>auth_admin</allow_active>" "$policy" || fail "polkit action does not ask for the password"
  if grep -q "_keep" "$policy"; then fail "polkit action keeps the authorisation"; fi
  step "polkit action valid, exec.path $(sed -n 's:.*exec.path">\(.*\)</annotate>.*:\1:p' "$policy")"
  [ -f "$top$prefix/share/icons/hicolor/scalable/apps/$app_id.svg" ] &&
    [ -f "$top$prefix/share/icons/hicolor/48x48/apps/$app_id.png" ] || fail "icons missing"
  "$bin/quillmere" --version >"$work/version.txt" || fail "quillmere --version"
  step "quillmere --version: $(tr '\n' ' ' <"$work/version.txt")"

  remover="$top$prefix/$remover_rel"
  [ -x "$remover" ] || fail "no privileged remover at $remover"
  # Owner root (when installed by root) and writable by nobody else, nor
  # its folder: another account must not be able to swap the program that
  # the administrator password runs.
  for f in "$remover" "$(dirname "$remover")"; do
    local mode owner
    mode="$(stat -c %a "$f")" owner="$(stat -c %U "$f")"
    [ $((8#$mode & 8#022)) = 0 ] || fail "$f is writable by group or others (mode $mode)"
    if [ -z "$top" ]; then [ "$owner" = root ] || fail "$f is owned by $owner"; fi
    step "$f: owner $owner, mode $mode"
  done
  # The app starts the remover by this path, and pkexec applies the action
  # only to a path that matches exec.path byte for byte.
  grep -qxF "privileged remover: $top$prefix/$remover_rel" "$work/version.txt" ||
    fail "quillmere does not find $prefix/$remover_rel"
  grep -qF "exec.path\">$prefix/$remover_rel<" "$policy" || fail "polkit exec.path is not $prefix/$remover_rel"
}

if [ "$(id -u)" = 0 ] && ! dpkg-query -W -f='${Status}' quillmere 2>/dev/null | grep -q 'install ok installed'; then
  # Test runs sharing a machine would install and remove the same package at
  # once: they take turns, holding a lock on the package database's folder
  # (always there, unlike /var/lock in a bare container; dpkg's own locks are
  # files inside it, so this one never blocks dpkg).
  exec 9</var/lib/dpkg
  flock 9
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get install"; }
  step "installed $(dpkg-query -W -f='${Package} ${Version}' quillmere)"
  removed=0
  cleanup() { [ "$removed" = 1 ] || dpkg --purge quillmere >/dev/null 2>&1 || true; rm -rf "$work"; }
  trap cleanup EXIT
  check_tree "" /usr
  # The installed window starts (offscreen) and is still up after two seconds.
  status=0
  QT_QPA_PLATFORM=offscreen timeout 2 /usr/bin/quillmere >/dev/null 2>&1 || status=$?
  [ "$status" = 124 ] || fail "the installed quillmere did not stay up (exit $status)"
  step "installed quillmere starts"
  dpkg --purge quillmere >/dev/null
  removed=1
  for f in /usr/bin/quillmere /usr/bin/quillmere-cli "/usr/$remover_rel" /usr/libexec/quillmere \
           "/usr/share/applications/$app_id.desktop" /usr/share/polkit-1/actions/example.quillmere.policy; do
    [ ! -e "$f" ] || fail "$f is left after removing the package"
  done
  step "removed cleanly"
else
  step "not root, or quillmere already installed: checking the unpacked package instead"
  dpkg-deb -x "$deb" "$work/tree"
  check_tree "$work/tree" /usr
fi
step "passed"
