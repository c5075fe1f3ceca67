// SPDX-License-Identifier: GPL-3.0-or-later
// The keypad: 46 buttons (controls 2000..2045) whose labels and actions
// depend on the mode flags of the state record. 25 buttons carry a
// user-button slot (0..24); slot n means state slot n, or n + 25 while
// altShift is on.
//
// Labels carry keys so that a refresh writes only the texts that changed:
// fixed labels have keys of their own (never 0, never a possible unit
// reference), a user label has its slot's unit reference, the blank label 0.
#pragma once

#include <cstdint>
#include <string>

#include "storage/database.h"

namespace kiv {

inline constexpr int kButtonCount = 46;
inline constexpr int kSlotsPerBank = 25;

// What a button shows: text, key and enabled state. Key 0 is the blank
// label (and the user label of an empty slot).
struct Label {
    std::string text;
    uint64_t key = 0;
    bool enabled = false;
    bool user = false;  // a user-button slot's label, empty or not
};

struct KeypadEntry;
using ButtonAction = void (*)(const KeypadEntry& e, int id);
using ButtonLabel = Label (*)(const KeypadEntry& e, int id);

struct KeypadEntry {
    ButtonAction action;
    ButtonLabel label;
    int slot;  // 0..24, or -1
};

// nullptr for ids outside 2000..2045.
const KeypadEntry* keypadEntry(int id);
// The slot of the current bank for a button (-1 without a slot).
int currentSlot(const KeypadEntry& e);

// Relabels every button, 2045 down to 2000.
void refreshLabels();
void refreshLabel(int id);
// Forgets every label key: the next refresh rewrites all 46 texts.
void resetLabelKeys();
// The label a button would show now (nothing is written).
Label currentLabel(int id);
// The label key last written to a button.
uint64_t labelKey(int id);

// Prefix position (0..6) of a digit button on the unit keypad, or -1.
int prefixPosition(int id);
// The decimal exponent at prefix position p for the current prefixLevel.
int prefixExponent(int position);

// The four basic operations, shared by their buttons and typed characters:
// commit, the floating or integer operation (busy text before a floating
// multiply or divide), redraw. Alt stays as it is.
void addKey();
void subtractKey();
void multiplyKey();
void divideKey();
// The one-shot alt release: clears altShift, if set, and relabels.
void altOff();

// A short description of what the button does in the current state, for
// the host's tooltip. Empty for a blank, disabled button, except that while
// no unit exists the blank unit buttons say how to import a unit list.
std::string buttonTooltip(int id);
// True while the main database holds no unit (nothing imported yet).
bool noUnitsYet();
// What a screen reader calls the button now, in words: its action
// ("Square root", "Convert"), "Unit " and a user button's unit, "Prefix "
// and a prefix's name, "empty unit button", "Blank key" for a blank one.
std::string buttonSpokenName(int id);
// The keyboard key that does what the button does now ("Enter", "5", "=");
// empty when no key does.
std::string buttonKeyName(int id);

}  // namespace kiv
