#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the main window under Xvfb, with a temporary data folder:
# floating mode, integer mode and the unit keypad. Needs xvfb-run, xdotool
# and ImageMagick's import.
#   scripts/screenshot.sh [kiv binary] [output folder]
# QT_SCALE_FACTOR=1.5 (or 2) in the environment shows the HiDPI scaling.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kiv=${1:-$root/build/app/qt/kiv}
out=${2:-$root/build-screenshots}  # ignored by git, like every build folder
for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$kiv" ] || { echo "screenshot.sh: no kiv binary at $kiv" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT

export KIV="$kiv" OUT="$out" UNITS="$root/data/units-US.txt" XDG_DATA_HOME="$data" QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash -c '
set -eu
shot() {  # name: the main window only
    sleep 0.6
    local geo; geo=$(xdotool getwindowgeometry --shell "$win")
    eval "$geo"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT/$1.png"
    echo "saved $OUT/$1.png"
}
keys() { xdotool windowfocus --sync "$win" 2>/dev/null || true; for k in "$@"; do xdotool key "$k"; sleep 0.05; done; }
"$KIV" & pid=$!
# First start: answer the welcome question; the unit list import opens next
# with a file dialog, which gets the shipped US list typed in.
box=$(xdotool search --sync --onlyvisible --name "^Welcome" | head -1)
xdotool windowfocus --sync "$box" 2>/dev/null || true; xdotool key Return
win=$(xdotool search --sync --onlyvisible --name "^Kiv$" | head -1)
sleep 1
focus=$(xdotool getwindowfocus 2>/dev/null || echo "$win")
if [ "$focus" != "$win" ]; then
    xdotool type --delay 5 "$UNITS"; xdotool key Return; sleep 1
    # A report of the import, if any, is closed with Return.
    focus=$(xdotool getwindowfocus 2>/dev/null || echo "$win")
    [ "$focus" != "$win" ] && { xdotool key Return; sleep 0.5; }
fi
# Floating mode: 12 ENT 3.5 ENT 2 * leaves 12 and 7; 7.25e3 being typed.
keys 1 2 Return 3 period 5 Return 2 asterisk 7 period 2 5 e 3
shot floating
keys Return
# Integer mode: Space presses the focused radix button (".10"), whose popup
# offers Float, 16 Hex, ...; 16 Hex is the second item.
keys space; sleep 0.3; keys Down Down Return
keys f f Return 1 0 1
shot integer
keys space; sleep 0.3; keys Down Return
# The unit keypad: the tab order runs from the focused radix button over
# up, CLR, dn, BSP and the stack list to "unit".
keys Tab Tab Tab Tab Tab Tab space
shot unitkeypad
kill -TERM $pid
wait $pid || true
'
