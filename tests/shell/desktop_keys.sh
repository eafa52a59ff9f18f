#!/usr/bin/env bash
# Keystrokes as a user types them, on a real X display with a window
# manager: F then Ctrl+S changes the saved file, Ctrl+Z then Ctrl+S gives the
# first saved file back, the caption carries "*" while there are unsaved
# changes, Alt+letter and Escape leave the letter keys to the view, and
# Ctrl+Q with unsaved changes asks instead of closing.
# Run inside xvfb-run: desktop_keys.sh ORVELIN DESIGN WORKDIR
set -euo pipefail
exe=$1
design=$2
work=$3
rm -rf "$work"
mkdir -p "$work/config"
cp "$design" "$work/keys.ov"
# The window system, not the offscreen one; settings in the work folder.
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config"
unset QT_SCALE_FACTOR

openbox >/dev/null 2>&1 &
wm=$!
"$exe" "$work/keys.ov" >"$work/orvelin.log" 2>&1 &
app=$!
trap 'kill $app $wm 2>/dev/null || true' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

wid=""
for _ in $(seq 100); do
  wid=$(xdotool search --name '^ORVELIN - keys' 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
[ -n "$wid" ] || fail "no window named ORVELIN - keys"
sleep 1
xdotool windowactivate --sync "$wid"
sleep 0.5

press() {
  xdotool key --clearmodifiers "$@"
  sleep 0.6
}
caption() { xdotool getwindowname "$wid"; }
expect_caption() {
  local got
  got=$(caption)
  [ "$got" = "$1" ] || fail "caption \"$got\", expected \"$1\" ($2)"
}

expect_caption "ORVELIN - keys" "after opening"
press ctrl+s
cp "$work/keys.ov" "$work/first.ov"
press f
expect_caption "ORVELIN - keys*" "after F"
press ctrl+z
expect_caption "ORVELIN - keys" "after undoing F"

press f
press ctrl+s
expect_caption "ORVELIN - keys" "after saving the focus"
cmp -s "$work/keys.ov" "$work/first.ov" && fail "F then Ctrl+S left the file as it was"
press ctrl+z
expect_caption "ORVELIN - keys*" "after undoing the saved focus"
press ctrl+s
cmp -s "$work/keys.ov" "$work/first.ov" || fail "Ctrl+Z then Ctrl+S did not give back the first file"

# A menu opened with Alt+E and closed with Escape: "f" still reaches the view.
press alt+e
press Escape
press f
expect_caption "ORVELIN - keys*" "F after a menu closed with Escape"

# Ctrl+Q with unsaved changes: a question, and the window stays.
press ctrl+q
sleep 0.5
windows=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l)
[ "$windows" -ge 2 ] || fail "Ctrl+Q with unsaved changes showed no question ($windows windows)"
kill -0 "$app" 2>/dev/null || fail "Ctrl+Q closed the program with unsaved changes"
press Escape
sleep 0.5
kill -0 "$app" 2>/dev/null || fail "Cancel on the question closed the program"
expect_caption "ORVELIN - keys*" "after cancelling Exit"
echo "desktop keys: all as expected"
