# SPDX-License-Identifier: GPL-3.0-or-later
# Drives the real Kiv window with xdotool; sourced by scripts that run
# under Xvfb (the guide's pictures, the package check). The keypad is found
# by position: its 6 columns and 7 rows keep their place relative to the
# window at any scale factor.
#   kiv_first_start BINARY LIST   start on an empty data folder ($XDG_DATA_HOME),
#                                 answer the welcome question, import LIST,
#                                 close the box that confirms the import
#   kiv_button ROW COL            click a keypad button (1-based; ENT is 6 2)
#   kiv_keys KEY...               keys typed into the main window
#   kiv_click_at X Y              click at a point of the window (at scale 1)
#   kiv_dialog NAME KEY...        keys typed into the open dialog NAME
#   kiv_shot FILE                 the main window as a PNG
#   kiv_close                     Esc (a normal end); sets KIV_RC
#   kiv_kill                      SIGKILL, for traps
# Each function returns nonzero when the window it needs does not appear.

kiv_wait_window() {  # name regex: the id of the visible window, within 10 s
    local id i
    for i in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "kiv-drive: no window \"$1\"" >&2
    return 1
}

kiv_wait_gone() {  # name regex
    local i
    for i in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "kiv-drive: window \"$1\" stays open" >&2
    return 1
}

kiv_first_start() {
    "$1" &
    KIV_PID=$!
    local box dlg
    box=$(kiv_wait_window '^Welcome to Kiv!$') || return 1
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key Return
    # The import dialog opens in the data folder, where the first start
    # has put the shipped lists.
    dlg=$(kiv_wait_window '^Import Unit List$') || return 1
    sleep 0.3
    xdotool windowfocus --sync "$dlg" 2>/dev/null || true
    xdotool type --delay 10 "$2"
    xdotool key Return
    kiv_wait_gone '^Import Unit List$' || return 1
    # The import ends with a box giving the counts of units and buttons.
    box=$(kiv_wait_window '^Import$') || return 1
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key Return
    kiv_wait_gone '^Import$' || return 1
    KIV_WIN=$(kiv_wait_window '^Kiv$') || return 1
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$KIV_WIN")"
    KIV_X=$X KIV_Y=$Y KIV_W=$WIDTH KIV_H=$HEIGHT
}

# Button centres at scale 1, in a window of 280 x 302.
kiv_cols=(24 69 115 160 206 251)
kiv_rows=(136 161 185 210 235 259 284)

kiv_click_at() {
    xdotool mousemove $((KIV_X + $1 * KIV_W / 280)) $((KIV_Y + $2 * KIV_H / 302)) click 1
    sleep 0.2
}

kiv_button() {
    if [ "$1" = 6 ] && [ "$2" = 2 ]; then
        kiv_click_at 69 271  # ENT spans rows 6 and 7
    else
        kiv_click_at "${kiv_cols[$2 - 1]}" "${kiv_rows[$1 - 1]}"
    fi
}

kiv_keys() {
    xdotool windowfocus --sync "$KIV_WIN" 2>/dev/null || true
    local k
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.08
    done
}

kiv_dialog() {
    local name=$1 id
    shift
    id=$(kiv_wait_window "^$name\$") || return 1
    sleep 0.2
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    local k
    for k in "$@"; do
        case $k in
            type:*) xdotool type --delay 10 "${k#type:}" ;;
            *) xdotool key "$k" ;;
        esac
        sleep 0.1
    done
}

kiv_shot() {
    sleep 0.5
    import -window root -crop "${KIV_W}x${KIV_H}+${KIV_X}+${KIV_Y}" +repage "$1"
}

kiv_close() {
    kiv_keys Escape
    local i
    for i in $(seq 200); do
        kill -0 "$KIV_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$KIV_PID" 2>/dev/null; then
        # Name what stays open: usually a box that nobody answered.
        echo "kiv-drive: kiv does not end; open windows:" \
            "$(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')" >&2
        kiv_kill
    fi
    KIV_RC=0
    wait "$KIV_PID" || KIV_RC=$?
}

kiv_kill() {  # for traps: a run that went wrong leaves no program behind
    [ -n "${KIV_PID:-}" ] && kill -KILL "$KIV_PID" 2>/dev/null || true
}
