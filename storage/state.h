// SPDX-License-Identifier: GPL-3.0-or-later
// The application state record: record 0 of the main database, a flat byte
// layout whose offsets are a stored format (storage/FORMAT.md). Reads go
// through bounds-checked accessors; every write goes through the database's
// writeAt, one setter per field writing exactly the field's width.
//
// All functions require a main database with a located state record
// (StateLocated()); without one, reads give 0 and writes are dropped.
#pragma once

#include <cstdint>
#include <string>

#include "storage/database.h"
#include "storage/value.h"

namespace kiv {

namespace so {  // field offsets
inline constexpr size_t kKind = 0, kUid = 4, kHpStack = 13, kRadix = 14, kDisplayMode = 15,
                        kWordSize = 16, kSigned = 17, kDegrees = 18, kAltShift = 19, kHypShift = 20,
                        kUnitKeypad = 21, kPrecision = 22, kPadZeros = 23, kGroups = 24,
                        kPerState = 30, kFullDisplay = 31, kSavedCount = 32, kPrefixLevel = 33,
                        kPendingPrefix = 34, kSimplify = 36, kWarnOverflow = 37, kInvTrigUnits = 38,
                        kAskClear = 39, kZoom = 40, kOnTop = 41, kStackSize = 44, kEntryLength = 48,
                        kStackTop = 52, kUserButtons = 76, kEntryUnit = 276, kEntryText = 280,
                        kSaved = 416, kMemories = 464, kStack = 800;
inline constexpr size_t kEntryTextRoom = 136;
inline constexpr int kUserSlots = 50;
inline constexpr int kMemoryCount = 10;
inline constexpr size_t kNewRecordSize = 1184;  // 800 + 24 x 16
inline constexpr int kZoomStepCount = 7;        // 100, 125, 150, 175, 200, 250, 300 %
}  // namespace so

inline constexpr size_t StateRecordSize(int stackSize) {
    return so::kStack + 24 * size_t(stackSize);
}

// Radix class index into the six group sizes: 0 float, 1 hex, 2 decimal,
// 3 octal, 4 binary, 5 any other radix.
int RadixClass(int radix);

bool StateLocated();
// Shows the menu items that follow the saved-argument count and the radix
// (window/menus.h); nothing without a state record.
void UpdateMenuState();
// Takes record 0 as the state record; shows database error "2" and returns
// false when there is none.
bool LocateStateRecord();
void ReleaseStateRecord();

// Creates the state record with its defaults (first start). Returns false
// after message 1324.
bool CreateStateRecord();

struct State {
    // Generic access.
    static uint8_t u8(size_t off);
    static int32_t i32(size_t off);
    static uint32_t u32(size_t off);
    static void write(size_t off, const void* src, size_t len);
    static size_t recordSize();

    static bool hpStack() { return u8(so::kHpStack) != 0; }
    static int radix() { return u8(so::kRadix); }
    static int displayMode() { return u8(so::kDisplayMode); }
    static int wordSize() { return u8(so::kWordSize); }
    static bool signedInts() { return u8(so::kSigned) != 0; }
    static bool degrees() { return u8(so::kDegrees) != 0; }
    static bool altShift() { return u8(so::kAltShift) != 0; }
    static bool hypShift() { return u8(so::kHypShift) != 0; }
    static bool unitKeypad() { return u8(so::kUnitKeypad) != 0; }
    static int floatPrecision() { return u8(so::kPrecision); }
    static bool padZeros() { return u8(so::kPadZeros) != 0; }
    static int groupSize(int radix) { return u8(so::kGroups + size_t(RadixClass(radix))); }
    static int perState() { return u8(so::kPerState); }
    static int fullDisplay() { return u8(so::kFullDisplay); }
    static int savedCount() { return u8(so::kSavedCount); }
    static int prefixLevel() { return u8(so::kPrefixLevel); }
    static int pendingPrefix() { return int8_t(u8(so::kPendingPrefix)); }
    static bool simplifyUnits() { return u8(so::kSimplify) != 0; }
    static bool warnOverflow() { return u8(so::kWarnOverflow) != 0; }
    static bool invTrigUnits() { return u8(so::kInvTrigUnits) != 0; }
    static bool askClear() { return u8(so::kAskClear) != 0; }
    // The window's zoom step, 0 (100 %) to kZoomStepCount - 1; files from
    // before the zoom hold 0 there.
    static int zoom() { return u8(so::kZoom); }
    static bool alwaysOnTop() { return u8(so::kOnTop) != 0; }
    // Only the low 16 bits of the field are ever written.
    static int stackSize() { return int(u32(so::kStackSize) & 0xFFFF); }
    static int entryLength() { return i32(so::kEntryLength); }
    static int stackTop() { return i32(so::kStackTop); }
    static Uid userButton(int slot);
    static Uid entryUnit() { return u32(so::kEntryUnit); }
    static uint8_t entryChar(int i);
    static std::string entryText();  // up to the terminating zero, bounded
    static Value saved(int slot);
    static Value memory(int i);
    static Value stackEntry(int i);  // entry 0 is the bottom

    static void setHpStack(uint8_t v) { write(so::kHpStack, &v, 1); }
    static void setRadix(uint8_t v) { write(so::kRadix, &v, 1); }
    static void setDisplayMode(uint8_t v) { write(so::kDisplayMode, &v, 1); }
    static void setWordSize(uint8_t v) { write(so::kWordSize, &v, 1); }
    static void setSigned(uint8_t v) { write(so::kSigned, &v, 1); }
    static void setAngleUnit(uint8_t v) { write(so::kDegrees, &v, 1); }
    static void setAltShift(uint8_t v) { write(so::kAltShift, &v, 1); }
    static void setHypShift(uint8_t v) { write(so::kHypShift, &v, 1); }
    static void setUnitKeypad(uint8_t v) { write(so::kUnitKeypad, &v, 1); }
    static void setPrecision(uint8_t v) { write(so::kPrecision, &v, 1); }
    static void setLeadingZeros(uint8_t v) { write(so::kPadZeros, &v, 1); }
    static void setGroupSize(int radix, uint8_t count) {
        write(so::kGroups + size_t(RadixClass(radix)), &count, 1);
    }
    static void setPerState(uint8_t v) { write(so::kPerState, &v, 1); }
    static void setFullDisplay(uint8_t v) { write(so::kFullDisplay, &v, 1); }
    // Also refreshes the menu state (Undo's enabled state follows the count).
    static void setSavedCount(uint8_t v);
    static void setPrefixLevel(uint8_t v) { write(so::kPrefixLevel, &v, 1); }
    static void setPendingPrefix(int8_t v) { write(so::kPendingPrefix, &v, 1); }
    static void setSimplifyUnits(uint8_t v) { write(so::kSimplify, &v, 1); }
    static void setWarnOverflow(uint8_t v) { write(so::kWarnOverflow, &v, 1); }
    static void setInvTrigUnits(uint8_t v) { write(so::kInvTrigUnits, &v, 1); }
    static void setAskClear(uint8_t v) { write(so::kAskClear, &v, 1); }
    static void setZoom(uint8_t v) { write(so::kZoom, &v, 1); }
    static void setAlwaysOnTop(uint8_t v) { write(so::kOnTop, &v, 1); }
    static void setStackSizeField(uint16_t v);  // the field only; see ResizeStateRecord
    static void setEntryLength(int32_t v);
    static void setStackTop(int32_t v);
    static void setUserButton(int slot, Uid uid);
    static void setEntryUnit(Uid uid);
    static void setEntryChar(int i, uint8_t c);
    static void setSaved(int slot, const Value& v);
    static void setMemory(int i, const Value& v);
    static void setStackEntry(int i, const Value& v);
};

// Resizes record 0 for `stackSize` entries. False (record unchanged) when
// the record cannot be resized.
bool ResizeStateRecord(int stackSize);

}  // namespace kiv
