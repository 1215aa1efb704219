#!/usr/bin/env bash
# Walks the built window under a real X server, as a person would: Xvfb with
# openbox as the window manager, keys and clicks sent by xdotool, a picture
# taken after each step. Once with the keyboard alone and once with the mouse,
# in Chinese and in English; the mouse walk ends on the error screen with its
# details shown. Each walk runs on its own made-up machine (--home,
# --system-root), so nothing outside its folder is touched.
#   tools/real_x_walk.sh [OUTPUT_DIR]      (default: build/real-x-walk)
# Needs the built app and its drag source (scripts/build.sh); installs the X
# tools it uses.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
app="$root/build/app/quillmere"
drag_source="$root/build/tools/quillmere_drag_source"
out="$(mkdir -p "${1:-$root/build/real-x-walk}" && cd "${1:-$root/build/real-x-walk}" && pwd)"
[ -x "$app" ] && [ -x "$drag_source" ] || { echo "build the app first: scripts/build.sh" >&2; exit 2; }

if [ -z "${QUILLMERE_WALK_DISPLAY:-}" ]; then
  packages=(xvfb xauth openbox xdotool imagemagick x11-utils fonts-wqy-microhei e2fsprogs)
  missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" = 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  exec xvfb-run -a -s "-screen 0 1280x800x24" env QUILLMERE_WALK_DISPLAY=1 "$0" "$out"
fi

work="$(mktemp -d)"
pinned=()
cleanup() {
  # A file made undeletable for the error walk is made deletable again first.
  for f in "${pinned[@]}"; do chattr -i "$f" 2>/dev/null || true; done
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1

say() { printf '%s\n' "$*" >&2; }
pause() { sleep "${1:-0.6}"; }

# A Mac's application with leftovers in the home's Library folders, a crash
# report per month and a name that only contains the app's.
make_machine() {
  local m="${1:?}"
  local bundle="$m/system/Applications/Notes.app"
  mkdir -p "$bundle/Contents/MacOS"
  cat >"$bundle/Contents/Info.plist" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>com.example.notes</string>
<key>CFBundleName</key><string>Notes</string>
</dict></plist>
EOF
  head -c 300000 /dev/zero >"$bundle/Contents/MacOS/Notes"
  local lib="$m/home/Library"
  mkdir -p "$lib/Application Support/Notes" "$lib/Preferences" "$lib/Caches/com.example.notes" \
    "$lib/Caches/Footnotes" "$lib/Logs/DiagnosticReports" "$lib/Logs/Notes" \
    "$lib/Saved Application State/com.example.notes.savedState" "$lib/Containers/com.example.notes/Data" \
    "$lib/HTTPStorages/com.example.notes" "$lib/WebKit/com.example.notes" "$lib/Application Scripts/com.example.notes"
  head -c 40000 /dev/zero >"$lib/Application Support/Notes/notes.sqlite"
  head -c 90000 /dev/zero >"$lib/Caches/com.example.notes/Cache.db"
  head -c 12000 /dev/zero >"$lib/Containers/com.example.notes/Data/store"
  for f in com.example.notes com.example.notes.helper com.example.notes.LSSharedFileList; do
    echo x >"$lib/Preferences/$f.plist"
  done
  echo x >"$lib/Caches/Footnotes/index"
  echo x >"$lib/Saved Application State/com.example.notes.savedState/windows.plist"
  for i in 1 2 3; do echo sync >"$lib/Logs/Notes/sync-$i.log"; done
  for month in 01 02 03 04 05 06 07 08 09 10 11 12; do
    echo crash >"$lib/Logs/DiagnosticReports/Notes_2025-$month-14-093000_host.crash"
  done
}

# Starts the app on a new machine in language $1 (zh_CN, en_US); sets $wid.
start_app() {
  local lang="$1" machine="$2"
  make_machine "$machine"
  mkdir -p "$machine/user"
  LANG="$lang.UTF-8" LC_ALL="$lang.UTF-8" HOME="$machine/user" XDG_RUNTIME_DIR="$machine/user" \
    "$app" --home "$machine/home" --system-root "$machine/system" >"$machine/app.log" 2>&1 &
  app_pid=$!
  wid="$(xdotool search --sync --onlyvisible --name '^Quillmere$' | head -n1)"
  pause 1.5
}

stop_app() {
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
}

# A window with its frame, as the screen shows it: the main window, or the
# one named (a dialog).
shot() {
  local name="$1" window="${2:-$wid}"
  pause 0.8
  import -window root -crop "$(frame_geometry "$window")" +repage "$out/$name.png"
  say "$out/$name.png"
}

frame_geometry() {
  local window="$1" parent
  # openbox reparents a window into its frame: the frame is the parent below the root.
  while parent="$(xwininfo -id "$window" -children | awk '/Parent window id/ {print $4}')" &&
    [ -n "$parent" ] && ! xwininfo -id "$parent" | grep -q '(the root window)'; do
    window="$parent"
  done
  xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {printf "%dx%d+%d+%d\n", w, h, x, y}'
}

# Width and height of a window's inside.
size_of() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'; }

# The window that has the focus once it is not the main one: a dialog.
dialog() {
  local active
  for _ in $(seq 50); do
    active="$(xdotool getactivewindow 2>/dev/null || true)"
    [ -n "$active" ] && [ "$active" != "$wid" ] && { echo "$active"; return; }
    sleep 0.1
  done
  echo "no dialog came up" >&2
  return 1
}

# A click at $2 $3 points from the top left of window $1's inside.
click_in() {
  xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"
  pause
}
click() { click_in "$wid" "$@"; }

# The last row at x $2 of window $1's inside drawn in colour $3: where a
# filled button ends, for what sits below it.
last_row_of() {
  import -window "$1" "$work/scan.png"
  convert "$work/scan.png" -crop "1x100000+$2+0" +repage txt:- |
    awk -v c="$3" 'NR > 1 && $3 == c {y = NR - 2} END {print y + 0}'
}

key() { xdotool key --delay 150 "$@"; pause 0.5; }
type_text() { xdotool type --delay 60 "$1"; pause 0.5; }


keyboard_walk() {
  local lang="$1" short="$2" machine="$work/$1-keys"
  start_app "$lang" "$machine"
  shot "$short-keys-1-start"
  # The chooser opens in the system's Applications folder, its name box focused.
  key ctrl+o
  local chooser
  chooser="$(dialog)"
  shot "$short-keys-2-chooser" "$chooser"
  type_text "Notes.app"
  key Return
  pause 2
  # The ready screen gives the filter the focus.
  shot "$short-keys-3-ready"
  type_text "com.example"
  shot "$short-keys-4-filtered"
  # Select none, then all, of the rows shown.
  key Tab Tab Return
  shot "$short-keys-5-none-of-the-shown"
  key shift+Tab Return
  # Back to the filter, cleared; on to the list: Down, Space leaves a row out.
  key shift+Tab ctrl+a BackSpace Tab Tab Tab Down space
  shot "$short-keys-6-row-left-out"
  key space Tab
  shot "$short-keys-7-button-focus"
  # The confirmation opens on its check box; Return there is the harmless
  # Cancel, so the destructive button is reached by Tab and pressed with Space.
  key Return
  local sheet
  sheet="$(dialog)"
  shot "$short-keys-8-confirmation" "$sheet"
  key Tab space
  pause 3
  shot "$short-keys-9-completed"
  key Tab Return
  shot "$short-keys-10-completed-details"
  stop_app
}

# Drags bundle $1 onto the drop box from a window that offers it as a file
# manager would, with the pointer held down all the way.
drag_onto_window() {
  "$drag_source" "$1" >/dev/null 2>&1 &
  local source_pid=$! source w h
  source="$(xdotool search --sync --onlyvisible --name '^Drag source$' | head -n1)"
  xdotool windowmove "$source" 20 20 windowmove "$wid" 400 150
  pause
  read -r w h < <(size_of "$wid")
  xdotool mousemove --window "$source" 60 30 sleep 0.3 mousedown 1 sleep 0.3 mousemove 200 100 sleep 0.2 \
    mousemove --window "$wid" $((w / 2 - 40)) $((h / 2)) sleep 0.2 mousemove --window "$wid" $((w / 2)) $((h / 2))
  shot "$2"
  xdotool mouseup 1
  pause 2
  kill "$source_pid" 2>/dev/null || true
}

mouse_walk() {
  local lang="$1" short="$2" machine="$work/$1-mouse"
  start_app "$lang" "$machine"
  # One leftover cannot be removed, whoever asks: the walk ends on the error.
  local pinned_file="$machine/home/Library/Caches/com.example.notes/Cache.db"
  if chattr +i "$pinned_file"; then
    pinned+=("$pinned_file")
  else
    say "this file system cannot make a file undeletable: the mouse walk ends on the completed screen"
  fi
  # Dragged in, the drop box lit while the app hovers over it.
  drag_onto_window "$machine/system/Applications/Notes.app" "$short-mouse-1-drag-over"
  shot "$short-mouse-1-ready"
  click 120 253
  type_text "com.example"
  shot "$short-mouse-2-filtered"
  # The links at the row's end: "Select none" ends it, "Select all" before it.
  click 446 253
  shot "$short-mouse-3-none-of-the-shown"
  if [ "$short" = zh ]; then click 398 253; else click 358 253; fi
  click 120 253
  key ctrl+a BackSpace
  # Larger, by the frame's bottom right corner.
  local x y w h
  read -r w h x y < <(frame_geometry "$wid" | tr 'x+' '  ')
  xdotool mousemove $((x + w - 2)) $((y + h - 2)) sleep 0.3 mousedown 1 sleep 0.3 \
    mousemove $((x + w + 100)) $((y + h + 100)) sleep 0.3 mousemove $((x + w + 250)) $((y + h + 260)) sleep 0.3 mouseup 1
  shot "$short-mouse-4-resized"
  read -r w h < <(size_of "$wid")
  click $((w / 2)) $((h - 36))
  local sheet
  sheet="$(dialog)"
  shot "$short-mouse-5-confirmation" "$sheet"
  read -r w h < <(size_of "$sheet")
  click_in "$sheet" $((w - 140)) $((h - 22))
  pause 3
  shot "$short-mouse-6-error"
  # "Show details" is the link under the blue Retry button.
  read -r w h < <(size_of "$wid")
  click $((w / 2)) $(($(last_row_of "$wid" $((w / 2)) '#007AFF') + 20))
  shot "$short-mouse-7-error-details"
  stop_app
}

for lang in zh_CN en_US; do
  short="${lang%%_*}"
  keyboard_walk "$lang" "$short"
  mouse_walk "$lang" "$short"
done
