// SPDX-License-Identifier: GPL-3.0-or-later
// The number entry line. Its text, unit and unit-part flags live in the state
// record (entryLength, entryText with the cursor "_", entryUnit,
// pendingPrefix, perState), so a half-typed number survives a restart;
// pendingPrefixText and the view's scroll position are process state.
//
// The line owns entryUnit: replacing or clearing it deletes the expression
// unless a function says otherwise. Every editing function that changes the
// visible line shows it again (showEntryLine); none shows a message, only
// committing can (through the parsers).
#pragma once

#include <string>

#include "storage/database.h"

namespace kiv {

inline constexpr int kEntryMax = 128;     // characters of text
inline constexpr int kPrefixTextMax = 7;  // pendingPrefixText
inline constexpr int kUnitNameMax = 40;   // fetched unit names

bool isEntryOpen();
// Opens an empty line when none is open (dropping the top of the stack first
// under replaceTop) and redraws the stack list.
void openEntry();
// 0 on success, 1 when the line is full. Neither shows the line.
int appendChar(char c);
int appendText(const std::string& s);
int ensureSpace();
// True when entryUnit is set, a prefix is pending or "per" was keyed.
bool hasUnitPart();

void keyDigit(int d);  // 0..35; digits not below the radix are ignored
void keyDecimalPoint();
void keyExponent();
void keyChangeSign();
void keyBackspace();
void keyPrefix(int exponent);
void keyPer();
// A unit key: `unit` is borrowed (never changed or deleted); NULL_UID is
// ignored.
void attachUnit(Uid unit);
// Parses the line and pushes the value; nothing when no line is open.
void commitEntry();
// ENT and the Enter key. The caller redraws.
void keyEnter();
void stripUnitPart();
// Deletes entryUnit when `deleteUnit`; clears the unit fields and the
// pending prefix text, relabelling when perState was set.
void clearUnitFields(bool deleteUnit);
// Rewrites the unit text after a unit's name or definition changed.
void refreshUnitText();
// During a unit's deletion: forget entryUnit when it is `unit` (not deleted;
// the text stays).
void forgetUnit(Uid unit);

// Forgets pendingPrefixText, replaceTop and the view (fresh main database).
void resetEntryState();

// The text the last prefix key added ("k-", "*M-"), or empty.
const std::string& pendingPrefixText();

// The entry field's view. Text is calculator text; the field shows the tail
// that fits (anchorEnd) or the head (otherwise), with the hidden counts in
// controls 300/301 (blank when 0) and the scroll buttons 2103/2104 shown
// only when something is hidden on their side.
void showEntryLine();  // the open line, anchored at its end
void showFieldText(const std::string& text, bool anchorEnd);
void clearField();        // empty field, no counts, no scroll buttons
void scrollEntryLeft();   // 2103: one more character on the left
void scrollEntryRight();  // 2104: one more character on the right
int hiddenLeft();
int hiddenRight();

// The entry-line box in pixels, set by the host (default 0 to 280).
void setEntryBox(int left, int right);
int entryBoxWidth();
// The text the field shows now (the whole text, not only the visible part).
const std::string& fieldText();

}  // namespace kiv
