#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of the Preferences, Display preferences and Memory dialogs as they
# open from the main window. Their GUI test takes them under Xvfb: its
# scripts' "shot" steps save what is open when KIV_SHOT_DIR is set. (The
# guide's keypad pictures come from the real program with the US list:
# scripts/guide-shots.sh.)
#   scripts/dialog_shots_settings.sh [build folder] [output folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/screenshots}
test=$build/tests/gui/gui_mainwindow_keypad_test
command -v xvfb-run >/dev/null || { echo "dialog_shots_settings.sh: xvfb-run is missing" >&2; exit 1; }
[ -x "$test" ] || { echo "dialog_shots_settings.sh: build gui_mainwindow_keypad_test first ($test)" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
cases=(preferencesAndDisplayPreferences memoryDialog)
names=(preferences displayprefs memory)
KIV_SHOT_DIR="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$test" "${cases[@]}" >/dev/null 2>&1
for name in "${names[@]}"; do
    [ -f "$out/$name.png" ] || { echo "dialog_shots_settings.sh: $name.png was not made" >&2; exit 1; }
    echo "saved $out/$name.png"
done
