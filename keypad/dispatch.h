// SPDX-License-Identifier: GPL-3.0-or-later
// Dispatch: routes keypad buttons, accelerator commands and typed characters
// to the button actions and the entry line, runs the assign flow that puts a
// unit on a button, takes over the unit the Units dialog chose, and redraws
// the entry field and the stack list.
//
// Every call comes on the user-interface thread from the main dialog, one
// command at a time; each one opens its own drawing scope.
#pragma once

#include <string>

#include "storage/database.h"

namespace kiv {

// Process state of the assign flow and the Units dialog hand-over. Each
// expression is owned by its variable (registered with the unit holders).
extern bool assignMode;
extern Uid assignUnit;  // NULL_UID: the picked button is to be emptied
extern Uid chosenUnit;  // left by the Units dialog's "Use"
// The lower-case letter that opened the Units dialog; the dialog reads and
// clears it. 0 when none.
extern char unitDialogLetter;

// Registers the process units and the entry-unit-forgotten hook. Idempotent;
// every entry point below calls it.
void initKeypad();
// Forgets all process state of the keypad (assign flow, hand-over, label
// keys, entry view) without deleting anything: for a fresh main database.
void resetKeypadState();

void onButton(int id);           // 2000..2045 (others ignored)
void onKeyCommand(int command);  // 3000..3099, accelerator table 128
bool onChar(int ch);             // true when the character was used
void onScrollButton(int id);     // 2103, 2104

// Ctrl+B, menu "Set button".
void startAssign();
// Takes over `unit` (may be NULL_UID); the caller then triggers onUnitChosen.
void beginAssign(Uid unit);
// Esc while a unit waits for its button: ends the flow, giving the value
// Set button took back to the stack (a unit handed over otherwise is
// deleted), relabels and redraws. False, doing nothing, when no unit waits.
bool cancelAssign();
// The refresh request: attach chosenUnit if any, relabel, redraw.
void onUnitChosen();

void refreshDisplay();
void redrawStackList();
void showBusy();  // "-- Working --" in the entry field at once

// Puts `unit` (owned from now on) on slot 0..49, deleting the old one.
void setSlot(int slot, Uid unit);
// The ".btn" lines of an exported unit list, appended to `out`.
void writeButtonLines(std::string& out);

// The popups' commands as the main dialog handles them: commit the line,
// then change the word size (3120..3124) or the radix (3100..3105).
void onWordSizeCommand(int command);
void onRadixCommand(int command);
void setWordSize(int bits);
bool setRadix(int radix);  // false when declined (1344) or out of range
// 3105: pops the top of the stack as the radix; false when nothing changed
// but the pop (1307 shown for a number outside 2..36).
bool radixFromStack(int* radix);

// Clipboard. Paste takes one value or nothing: the whole text (blanks
// trimmed) must be one number in the current mode's form (the locale's
// separators, group separators only between whole groups; in integer mode
// the radix's digits) followed, in floating mode only, by a unit text as
// Copy writes it ("6.25 mi2", "3 kg*m2/s3"). Anything else shows why
// (1349-1351, 1343 for a unit text naming no unit, 1345 when too long) and
// types nothing. A number being typed is entered first, as ENT enters it;
// the pasted value then opens the line.
// CopyTopText is the plain text of the line or of the top of the stack (""
// when there is neither).
void PasteText(const std::string& text);
std::string CopyTopText();

// Sizes the host sets from its layout: the entry-line box, the stack-list
// box width and its visible rows.
void setDisplayGeometry(int entryLeft, int entryRight, int stackWidth, int stackRows);
void setStackListWidth(int px);   // client width less the scroll bar; default 280
void setStackListRows(int rows);  // default 5

}  // namespace kiv
