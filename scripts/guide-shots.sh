#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of the real main window after a first start that imports the
# shipped US unit list, as a new user sees it:
#  - the user guide's keypad pictures (data/doc/keypad-*.png, actual size);
#  - the software-centre screenshots named in the AppStream file
#    (data/screenshots/*.png, drawn at twice the size).
# Each set comes from its own run of Kiv under Xvfb with an empty data
# folder; needs xvfb-run, xdotool and ImageMagick.
#   scripts/guide-shots.sh [kiv binary] [one output folder for both sets]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kiv=${1:-$root/build/app/qt/kiv}
for tool in xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "guide-shots.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$kiv" ] || { echo "guide-shots.sh: no kiv binary at $kiv" >&2; exit 1; }
docs=${2:-$root/data/doc}
screens=${2:-$root/data/screenshots}
mkdir -p "$docs" "$screens"
docs=$(cd "$docs" && pwd) screens=$(cd "$screens" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The five-minute examples of the guide leave 8.04672 km, 26.8224 m/s and
# 3 ft on the stack, with 2 in being typed.
examples='
kiv_keys 5; kiv_button 1 4; kiv_button 6 2; kiv_button 1 1; kiv_button 2 4; kiv_button 3 1
kiv_keys 6 0; kiv_button 1 1; kiv_button 3 5; kiv_button 6 2
kiv_button 1 1; kiv_button 2 2; kiv_button 2 1; kiv_button 1 1; kiv_button 3 2; kiv_button 3 1
kiv_keys 3; kiv_button 1 2; kiv_keys 2; kiv_button 1 3
'
guide='
shot() { kiv_shot "$OUT/$1.png"; echo "saved $OUT/$1.png"; }
shot keypad-float
kiv_button 7 1; shot keypad-alt
kiv_button 3 2; shot keypad-hyp
kiv_button 7 1; kiv_button 3 2; kiv_button 1 1; shot keypad-unit
# Integer mode, radix 16, after CLR: the radix button opens its popup; 16 Hex
# is the second item.
kiv_button 1 1; kiv_click_at 258 33; kiv_click_at 184 48; sleep 0.3; kiv_keys Down Down Return
kiv_keys f f Return 1 0 1; shot keypad-integer
'
store='
shot() { kiv_shot "$OUT/$1.png"; echo "saved $OUT/$1.png"; }
shot main
kiv_button 1 1; shot unit-keypad
'

run() {  # scale, output folder, script
    mkdir -p "$work/data-$1"
    KIV="$kiv" OUT="$2" DRIVE="$root/scripts/kiv-drive.sh" XDG_DATA_HOME="$work/data-$1" \
        QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$1" \
        xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash -c "
set -eu
. \"\$DRIVE\"
trap kiv_kill EXIT
kiv_first_start \"\$KIV\" units-US.txt
$examples
$3
kiv_close"
}
run 1 "$docs" "$guide"
run 2 "$screens" "$store"
# A palette of 64 colours keeps the pictures small and looks the same.
for f in "$docs"/keypad-*.png "$screens"/main.png "$screens"/unit-keypad.png; do
    convert "$f" -colors 64 "PNG8:$f"
done
