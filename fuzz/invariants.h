// SPDX-License-Identifier: GPL-3.0-or-later
// Checks shared by the fuzzers, the reliability tests and the long run: the
// state record's fields in their ranges, sound ownership of every unit
// expression, nothing leaked once every holder is emptied, and a save and
// load that reproduce the database byte for byte. Each returns a report,
// one line per fault, empty when sound.
#pragma once

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/memorydlg.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "storage/dbfile.h"
#include "storage/holders.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "storage/unitfields.h"
#include "support/fake_window.h"
#include "support/ownership.h"
#include "units/unitrec.h"

namespace kiv::check {

// The window of a fuzzer's whole run: installed once, answering every box
// with OK or Yes.
inline FakeWindow& FuzzWindow() {
    static FakeWindow* window = new FakeWindow;
    return *window;
}

inline void CheckValue(std::ostringstream& out, const char* what, int i, const Value& v,
                       bool integerMode) {
    const uint8_t kind = v.kind();
    if (kind > 1) {
        out << what << " " << i << " has kind " << int(kind) << "\n";
        return;
    }
    if (integerMode != (kind == 1))
        out << what << " " << i << " is " << (kind ? "an integer" : "a real") << " in "
            << (integerMode ? "integer" : "floating") << " mode\n";
    if (kind == 0 && !std::isfinite(v.real())) out << what << " " << i << " is not finite\n";
}

// Every field of the state record within the values the program writes.
inline std::string StateRangeReport() {
    std::ostringstream out;
    if (!StateLocated()) return "state record not located\n";
    auto range = [&](const char* name, long v, long lo, long hi) {
        if (v < lo || v > hi) out << name << " " << v << " outside " << lo << ".." << hi << "\n";
    };
    const int radix = State::radix();
    if (radix == 1 || radix > 36) out << "radix " << radix << "\n";
    range("display mode", State::displayMode(), 0, 3);
    range("zoom", State::zoom(), 0, so::kZoomStepCount - 1);
    range("always on top", State::u8(so::kOnTop), 0, 1);
    const int ws = State::wordSize();
    if (ws != 8 && ws != 16 && ws != 32 && ws != 64 && ws != 128) out << "word size " << ws << "\n";
    range("signed", State::u8(so::kSigned), 0, 1);
    range("degrees", State::u8(so::kDegrees), 0, 1);
    range("alt shift", State::u8(so::kAltShift), 0, 1);
    range("hyp shift", State::u8(so::kHypShift), 0, 1);
    range("unit keypad", State::u8(so::kUnitKeypad), 0, 1);
    range("pad zeros", State::u8(so::kPadZeros), 0, 1);
    range("per state", State::perState(), 0, 2);
    range("full display", State::fullDisplay(), 0, 2);
    range("saved count", State::savedCount(), 0, 2);
    range("prefix level", State::prefixLevel(), 0, 3);
    range("pending prefix", State::pendingPrefix(), -30, 30);
    const int n = State::stackSize();
    range("stack size", n, 4, 128);
    if (State::recordSize() != StateRecordSize(n))
        out << "state record of " << State::recordSize() << " bytes for a stack of " << n << "\n";
    range("stack top", State::stackTop(), -1, n - 1);
    range("entry length", State::entryLength(), -1, 128);
    if (State::entryLength() >= 0 && int(State::entryText().size()) > 130)
        out << "entry text of " << State::entryText().size() << " bytes\n";
    const bool integerMode = radix != 0;
    for (int i = 0; i <= State::stackTop() && i < n; ++i)
        CheckValue(out, "stack entry", i, State::stackEntry(i), integerMode);
    for (int i = 0; i < State::savedCount() && i < 2; ++i)
        CheckValue(out, "saved argument", i, State::saved(i), integerMode);
    for (int i = 0; i < so::kMemoryCount; ++i)
        CheckValue(out, "memory", i, State::memory(i), integerMode);
    return out.str();
}

// Saving and loading the main database again must give the same bytes.
inline std::string RoundTripReport() {
    const Database* db = MainDb();
    if (!db) return "no main database\n";
    const std::vector<uint8_t> bytes = SerializeDatabase(*db);
    Database again;
    std::string why;
    const LoadStatus st =
        ParseDatabase(bytes.data(), bytes.size(), db->type, db->creator, &again, &why);
    if (st != LoadStatus::Ok) return "saved database does not load: " + why + "\n";
    if (SerializeDatabase(again) != bytes) return "saved database loads with other bytes\n";
    return {};
}

inline int ExpressionRecords() {
    return CountRecords(255).expressions;
}

// Expressions owned by unit definitions: what must remain once every other
// holder is empty.
inline int DefinitionExpressions() {
    int n = 0;
    const Database* db = MainDb();
    for (int i = 1; db && i < db->count(); ++i)
        if (IsUnitRecord(i) && UnitDefinition(i) != NULL_UID) ++n;
    return n;
}

// Empties every holder the way a user can (CLR, Undo forgotten, memories
// and buttons cleared, the entry line's unit and the process units gone)
// and reports expression records beyond the unit definitions' own.
inline std::string LeakReport() {
    if (!StateLocated()) return "state record not located\n";
    clearUnitFields(true);
    commitEntry();
    ClearStack();
    ForgetSavedArguments();
    for (int i = 0; i < so::kMemoryCount; ++i) {
        SetMemoryRegister(i, ZeroValue());
    }
    for (int i = 0; i < so::kUserSlots; ++i) setSlot(i, NULL_UID);
    DeleteProcessWideUnits();
    const int left = ExpressionRecords(), owned = DefinitionExpressions();
    if (left == owned) return {};
    std::ostringstream out;
    out << left << " expression records after clearing everything, " << owned
        << " owned by unit definitions\n";
    return out.str();
}

// Every unit's optional fields are whole, a zero point is finite, and a
// long name single and valid.
inline std::string UnitFieldReport() {
    std::ostringstream out;
    const Database* db = MainDb();
    for (int i = 1; db && i < db->count(); ++i) {
        if (!IsUnitRecord(i)) continue;
        const std::vector<uint8_t>& b = db->bytes(i);
        if (WalkUnitFields(b, [](uint8_t, size_t, size_t) {}) != b.size())
            out << "unit " << UnitName(i) << " has a broken field\n";
        int longNames = 0;
        bool validLongName = true;
        WalkUnitFields(b, [&](uint8_t tag, size_t off, size_t len) {
            if (tag != kFieldLongName) return;
            ++longNames;
            validLongName = validLongName && ValidLongName(b.data() + off, len);
        });
        if (longNames > 1 || !validLongName)
            out << "unit " << UnitName(i) << " has a long name that is not single valid text\n";
        double zero = 0;
        if (StoredZeroPoint(b, &zero) && !std::isfinite(zero))
            out << "unit " << UnitName(i) << " has a zero point that is not finite\n";
    }
    return out.str();
}

inline std::string SoundnessReport() {
    return OwnershipReport() + StateRangeReport() + UnitFieldReport();
}

}  // namespace kiv::check
