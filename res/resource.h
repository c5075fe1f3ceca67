// SPDX-License-Identifier: GPL-3.0-or-later
// Control, command and resource ids of the main window and the dialogs.
#pragma once

namespace kiv {

enum ControlId : int {
    IDC_STACK_LIST = 1000,
    IDC_ENTRY = 1006,
    IDC_HIDDEN_LEFT = 300,
    IDC_HIDDEN_RIGHT = 301,
    IDC_SCROLL_LEFT = 2103,
    IDC_SCROLL_RIGHT = 2104,
    IDC_BUTTON_FIRST = 2000,
    IDC_BUTTON_LAST = 2045,
};

enum CommandId : int {
    ID_EDIT_UNDO = 57643,
    ID_EDIT_COPY = 57634,
    ID_EDIT_PASTE = 57637,
    ID_UNIT_DEFINE = 32799,
    ID_UNIT_SETBUTTON = 32800,
    ID_UNIT_PRIMITIVE = 32801,
    ID_UNIT_IMPORT = 32809,
    ID_UNIT_EXPORT = 32810,
    ID_DISPLAY_STANDARD = 32802,
    ID_DISPLAY_FIXED = 32803,
    ID_DISPLAY_SCIENTIFIC = 32804,
    ID_DISPLAY_ENGINEERING = 32805,
    ID_OPTIONS_PREFS = 32806,
    ID_OPTIONS_DISPLAYPREFS = 32807,
    ID_ABOUT = 32808,
    ID_HELP = 32823,
    ID_ZOOM_IN = 32870,
    ID_ZOOM_OUT = 32871,
    ID_ZOOM_ACTUAL = 32872,
    ID_ALWAYS_ON_TOP = 32873,
    ID_RADIX_FLOAT = 3100,
    ID_RADIX_HEX = 3101,
    ID_RADIX_DEC = 3102,
    ID_RADIX_OCT = 3103,
    ID_RADIX_BIN = 3104,
    ID_RADIX_STACK = 3105,
    ID_WORD_8 = 3120,
    ID_WORD_16 = 3121,
    ID_WORD_32 = 3122,
    ID_WORD_64 = 3123,
    ID_WORD_128 = 3124,
    ID_KEY_FIRST = 3000,
    ID_KEY_LAST = 3099,
    // Units dialog menu 505 and memory dialog menu 507.
    ID_UNITS_DELETE = 32811,
    ID_UNITS_RENAME = 32812,
    ID_UNITS_REDEFINE = 32813,
    ID_MEMORY_CLEAR_SELECTION = 32814,
    ID_MEMORY_CLEAR_ALL = 32815,
};

// Popups of menu 129.
enum PopupIndex : int { POPUP_WORDSIZE = 0, POPUP_RADIX = 1 };

// Application event codes sent with SendAppEvent.
inline constexpr int APP_EVENT_REFRESH = 4000;

}  // namespace kiv
