#!/bin/bash
# Pictures of the Preferences, Display preferences and Memory dialogs as they
# open from the main window, and of the main window in each keypad state for
# the user guide (with the US unit list). The GUI test takes them under Xvfb:
# its scripts' "shot" steps save what is open when KIV_SHOT_DIR is set.
#   scripts/dialog_shots_settings.sh [build folder] [output folder]
#   scripts/dialog_shots_settings.sh --guide [build folder]   (into data/doc)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
guide=0
if [ "${1:-}" = "--guide" ]; then guide=1; shift; fi
build=${1:-$root/build}
if [ $guide = 1 ]; then out=$root/data/doc; else out=${2:-$root/screenshots}; fi
test=$build/tests/gui/gui_mainwindow_keypad_test
command -v xvfb-run >/dev/null || { echo "dialog_shots_settings.sh: xvfb-run is missing" >&2; exit 1; }
[ -x "$test" ] || { echo "dialog_shots_settings.sh: build gui_mainwindow_keypad_test first ($test)" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
if [ $guide = 1 ]; then
    cases=(unitListDialogs)
    names=(keypad-float keypad-alt keypad-hyp keypad-unit keypad-integer)
else
    cases=(preferencesAndDisplayPreferences memoryDialog)
    names=(preferences displayprefs memory)
fi
KIV_SHOT_DIR="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$test" "${cases[@]}" >/dev/null 2>&1
for name in "${names[@]}"; do
    [ -f "$out/$name.png" ] || { echo "dialog_shots_settings.sh: $name.png was not made" >&2; exit 1; }
    # Keep the guide's pictures small: a palette of 64 colours is plenty.
    if [ $guide = 1 ] && command -v convert >/dev/null; then
        convert "$out/$name.png" -colors 64 "PNG8:$out/$name.png"
    fi
    echo "saved $out/$name.png"
done
