// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/core/prefsdlg.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "engine/stack.h"
#include "res/resource.h"
#include "storage/state.h"
#include "window/appevent.h"
#include "window/messages.h"
#include "window/window.h"

namespace kiv {
namespace {

// Radix of each group-size slot, in the order of the fields.
constexpr int kGroupRadix[6] = {0, 16, 10, 8, 2, 36};

}  // namespace

bool ParseIntField(const std::string& text, int* value) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long v = 0;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        v = v * 10 + (text[i++] - '0');
        if (v > INT_MAX + 1LL) return false;
        ++digits;
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (digits == 0 || i != text.size()) return false;
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    *value = int(v);
    return true;
}

void ShowIntegerFieldError() {
    GetWindow().messageBox("Kiv", "Please enter an integer.", MB_ICONEXCLAMATION | MB_OK);
}

PrefsFields CPrefsDlgLogic::Open() {
    PrefsFields f;
    f.hpStack = State::hpStack();
    f.simplifyUnits = State::simplifyUnits();
    f.invTrigUnits = State::invTrigUnits();
    f.warnOverflow = State::warnOverflow();
    f.stackSize = std::to_string(State::stackSize());
    f.askClear = State::askClear();
    return f;
}

int CPrefsDlgLogic::Ok(const PrefsFields& f) {
    int size = 0;
    if (!ParseIntField(f.stackSize, &size)) {
        ShowIntegerFieldError();
        return 1001;
    }
    // A size outside the range the stack is built for is never applied.
    if (size < 4 || size > 128) {
        ShowCodedMessage(MSG_STACK_SIZE);
        return 1001;
    }
    // A smaller stack drops its deepest values: asked first. The zeros an
    // HP stack is filled with are no values of the user's.
    int lost = 0;
    for (int i = 0; i < Depth() - size; ++i) {
        const Value v = State::stackEntry(i);
        const uint8_t* w = v.word();
        const bool filler = v.isReal() ? v.real() == 0 && v.unit() == NULL_UID
                                       : std::all_of(w, w + 16, [](uint8_t x) { return x == 0; });
        if (!(State::hpStack() && filler)) ++lost;
    }
    if (lost > 0) {
        const std::string depth = std::to_string(Depth()), newSize = std::to_string(size),
                          gone = std::to_string(lost);
        if (ShowCodedMessage(MSG_STACK_SHRINK, depth.c_str(), newSize.c_str(), gone.c_str()) != 0)
            return 1001;
    }
    State::setSimplifyUnits(f.simplifyUnits ? 1 : 0);
    State::setInvTrigUnits(f.invTrigUnits ? 1 : 0);
    State::setWarnOverflow(f.warnOverflow ? 1 : 0);
    SetStackSize(size);
    SetHpStackMode(f.hpStack);
    State::setAskClear(f.askClear ? 1 : 0);
    SendAppEvent(APP_EVENT_REFRESH);
    return 0;
}

DisplayPrefsFields CDisplayPrefsDlgLogic::Open() {
    DisplayPrefsFields f;
    f.precision = std::to_string(State::floatPrecision());
    for (int i = 0; i < 6; ++i)
        f.groups[size_t(i)] = std::to_string(State::groupSize(kGroupRadix[i]));
    return f;
}

int CDisplayPrefsDlgLogic::Ok(const DisplayPrefsFields& f) {
    // Fields are checked in the order the dialog exchanges them.
    static const int kCheckOrder[] = {1001, 1022, 1020, 1018, 1019, 1021, 1023};
    int values[7] = {};  // indexed by control id - 1017, precision in [0]
    for (int id : kCheckOrder) {
        const std::string& text = id == 1001 ? f.precision : f.groups[size_t(id - 1018)];
        int v = 0;
        if (!ParseIntField(text, &v)) {
            ShowIntegerFieldError();
            return id;
        }
        values[id == 1001 ? 0 : id - 1017] = v;
    }
    State::setPrecision(uint8_t(values[0]));
    // Binary, octal, decimal, hex, float, other: each as its low 8 bits.
    static const int kWriteOrder[] = {1022, 1021, 1020, 1019, 1018, 1023};
    for (int id : kWriteOrder)
        State::setGroupSize(kGroupRadix[id - 1018], uint8_t(values[id - 1017] & 0xFF));
    SendAppEvent(APP_EVENT_REFRESH);
    return 0;
}

}  // namespace kiv
