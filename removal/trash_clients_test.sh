#!/usr/bin/env bash
# The desktop's own Trash clients see what `quillmere-cli remove --trash`
# moved: trash-list and gio list every row with its original path, and
# trash-restore puts one back. Skipped (77) where they are not installed.
set -euo pipefail
cli="$1"
for tool in trash-list trash-restore gio dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
export XDG_DATA_HOME="$dir/data" XDG_STATE_HOME="$dir/state"
app="$dir/Applications/Foo.app"
mkdir -p "$app/Contents" "$dir/home/Library/Caches/com.example.foo" "$dir/home/Library/Logs"
printf '<?xml version="1.0"?><plist version="1.0"><dict><key>CFBundleIdentifier</key>'\
'<string>com.example.foo</string></dict></plist>' >"$app/Contents/Info.plist"
echo cached >"$dir/home/Library/Caches/com.example.foo/data"
echo logged >"$dir/home/Library/Logs/Foo log é.txt"
rows=("$dir/home/Library/Caches/com.example.foo" "$dir/home/Library/Logs/Foo log é.txt" "$app")

"$cli" remove --trash --yes --home "$dir/home" --system-root "$dir/sys" "$app" >/dev/null
fail=0
listed="$(trash-list)"
shown="$(timeout 60 dbus-run-session -- gio list -a trash::orig-path trash:// 2>/dev/null)"
for row in "${rows[@]}"; do
  [ ! -e "$row" ] || { echo "FAIL: $row is still there"; fail=1; }
  # trash-list: DATE TIME PATH; gio writes bytes beyond ASCII as \xNN.
  cut -d' ' -f3- <<<"$listed" | grep -qxF -- "$row" || { echo "FAIL: trash-list misses $row"; fail=1; }
  escaped="$(printf '%s' "$row" | perl -pe 's/([\x80-\xff])/sprintf("\\x%02x", ord($1))/ge')"
  grep -qF -- "trash::orig-path=$escaped" <<<"$shown" || { echo "FAIL: gio misses $row"; fail=1; }
done
# trash-restore offers what was trashed from below the current folder.
(cd "$dir/home/Library/Logs" && echo 0 | trash-restore >/dev/null)
[ "$(cat "$dir/home/Library/Logs/Foo log é.txt")" = logged ] || { echo "FAIL: trash-restore put nothing back"; fail=1; }
# Ours puts back the rest and says which row it could not, with exit 1.
id="$("$cli" history | head -1 | cut -d' ' -f1)"
status=0
out="$("$cli" restore "$id")" || status=$?
[ "$status" = 1 ] && grep -qxF "✗ Not put back: ${rows[1]} (it is no longer in the Trash)" <<<"$out" &&
  grep -qxF "✓ Put back: ${rows[0]}" <<<"$out" && [ -f "$app/Contents/Info.plist" ] ||
  { echo "FAIL: restore $id said: $out (exit $status)"; fail=1; }
[ "$fail" = 0 ] && echo "PASS"
exit "$fail"
