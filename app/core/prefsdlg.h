// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the Preferences (template 508) and Display preferences
// (template 509) dialogs. The Qt classes show the fields and pass the texts
// back; nothing is written unless OK succeeds, and then in a fixed order.
#pragma once

#include <array>
#include <string>

namespace kiv {

// Parses an integer field the way dialog data exchange does: optional
// blanks, an optional sign, digits, optional blanks, and nothing else.
bool ParseIntField(const std::string& text, int* value);

// The box shown for a field that does not hold an integer.
void ShowIntegerFieldError();

struct PrefsFields {
    std::string stackSize;       // edit 1001
    bool warnOverflow = false;   // 1014
    bool simplifyUnits = false;  // 1015
    bool invTrigUnits = false;   // 1016
    bool askClear = false;       // 1026
    bool hpStack = false;        // 1017
};

class CPrefsDlgLogic {
  public:
    // Copies the state record's settings into the fields.
    static PrefsFields Open();
    // OK: returns 0 when everything was written back (the dialog ends) or the
    // id of the control to focus when the input is refused (the dialog stays
    // open and nothing was written).
    static int Ok(const PrefsFields& f);
};

struct DisplayPrefsFields {
    std::string precision;  // 1001
    // Group sizes in the order float, hex, decimal, octal, binary, other
    // (edits 1018, 1019, 1020, 1021, 1022, 1023).
    std::array<std::string, 6> groups;
};

class CDisplayPrefsDlgLogic {
  public:
    static DisplayPrefsFields Open();
    static int Ok(const DisplayPrefsFields& f);
};

}  // namespace kiv
