#!/usr/bin/env bash
# Makes the pictures of the help page (resources/Help/*.png) from the real
# editor in a virtual X server, so that they can be made again whenever the
# window changes:
#
#   ./tools/make-help-screenshots.sh [path/to/tavlo]
#
# The editor runs with empty settings of its own and a made-up scanned page.
# Buttons and fields are found by their accessible names (tools/ui-driver.py)
# and clicked with xdotool; nothing depends on where they sit in the window.
# Needs what tools/setup.sh installs (Xvfb, xdotool, ImageMagick, dbus,
# at-spi2-core, python3-pyatspi) and a built editor.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tavlo=${1:-$root/build/bin/tavlo}
out=$root/resources/Help
[ -x "$tavlo" ] || { echo "no editor at $tavlo: ./tools/build.sh tavlo" >&2; exit 1; }

# Once more inside a virtual X server with a session bus of its own.
if [ -z "${OBLIMO_HELP_SESSION:-}" ]; then
  exec xvfb-run -a -s "-noreset -screen 0 1280x1024x24" \
    dbus-run-session -- env OBLIMO_HELP_SESSION=1 "$0" "$tavlo"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

/usr/libexec/at-spi-bus-launcher --launch-immediately &
pids+=($!)

drive() { /usr/bin/python3 "$root/tools/ui-driver.py" "$@"; }
# The windows on the screen once they have painted (the empty black root
# around them trimmed), in 256 colours to keep the page small.
shot() {
  sleep 1
  import -window root "$work/shot.png"
  convert "$work/shot.png" -trim +repage -colors 256 "PNG8:$out/$1"
  echo "made $1"
}
type_into() {  # role name text
  drive click "$1" "$2"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 40 -- "$3"
  xdotool key Return
}
windows() { xwininfo -root -tree | grep -c '^ *0x.*": ("tavlo"' || true; }

# A page of text and a picture, scanned four degrees askew.
convert -size 700x900 xc:white -fill '#2b3a4a' \
  -draw "rectangle 80,80 620,112" -draw "rectangle 80,150 560,164" \
  -draw "rectangle 80,184 600,198" -draw "rectangle 80,218 520,232" \
  -fill '#d08a3c' -draw "rectangle 80,290 620,520" -fill '#2b3a4a' \
  -draw "rectangle 80,580 600,594" -draw "rectangle 80,614 580,628" \
  -draw "rectangle 80,648 430,662" \
  -background '#8a8f96' -rotate 4 "$work/scan.png"

"$tavlo" "$work/scan.png" &
pids+=($!)

drive rect "push button" "ステップ2へ >>" >/dev/null
shot step1.png

drive click "push button" "ステップ2へ >>"
# The line tool: a line drawn along the page's left edge.
read -r x y w h < <(drive rect filler "画像")
cx=$((x + w / 2)) cy=$((y + h / 2))
xdotool mousemove $((cx - 150)) $((cy - 180)) mousedown 1
for step in 1 2 3 4 5 6; do
  xdotool mousemove $((cx - 150 - step * 4)) $((cy - 180 + step * 60))
  sleep 0.05
done
xdotool mouseup 1
shot step2-line.png
drive click "push button" "キャンセル"
type_into text "回転" "-4"
shot step2.png

drive click "push button" "ステップ3へ >>"
shot step3.png

drive click "push button" "ステップ4へ >>"
shot step4.png

drive click "menu item" "ツール(T)"
drive click "menu item" "オプション(O)"
shot options-margin.png
drive click "page tab" "保存"
shot options-save.png
drive click "page tab" "その他"
shot options-misc.png
drive click "push button" "キャンセル"

# The batch dialog: three more pages of the same stack, picked in the open
# dialog by typing their folder and then their names into its name field.
mkdir -p "$work/stack"
for page in 2 3 4; do
  convert "$work/scan.png" -flop "$work/stack/page$page.png"
done
drive click "push button" "一括処理"
drive rect label "ファイル名(N):" >/dev/null
xdotool type --delay 40 -- "$work/stack/"
xdotool key Return
sleep 1
xdotool type --delay 40 -- '"page2.png" "page3.png" "page4.png"'
xdotool key Return
drive rect "push button" "閉じる" >/dev/null
sleep 2
shot batch.png
drive click "push button" "閉じる"
