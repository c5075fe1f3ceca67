#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of the Define unit (new unit, base unit, rename), Units, Edit
# Categories and category name dialogs as they open from the main window,
# taken by their GUI test under Xvfb (the test saves each dialog it operates
# when KIV_SHOT_DIR is set).
#   scripts/dialog_shots_units.sh [build folder] [output folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/screenshots}
test=$build/tests/gui/gui_mainwindow_keypad_test
command -v xvfb-run >/dev/null || { echo "dialog_shots_units.sh: xvfb-run is missing" >&2; exit 1; }
[ -x "$test" ] || { echo "dialog_shots_units.sh: build gui_mainwindow_keypad_test first ($test)" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
KIV_SHOT_DIR="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$test" unitDialogs >/dev/null
for name in define_unit define_unit_base define_unit_rename units edit_categories category_name; do
    [ -f "$out/$name.png" ] || { echo "dialog_shots_units.sh: $name.png was not made" >&2; exit 1; }
    echo "saved $out/$name.png"
done
