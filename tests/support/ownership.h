// SPDX-License-Identifier: GPL-3.0-or-later
// The unit-expression ownership check for tests: every expression record of
// the main database must be reachable from exactly one owner (a unit's
// definition, a real stack entry 0..top, a real saved argument, a real
// memory register, the entry-line unit, a user-button slot, or a registered
// process-wide unit), every owner must name an existing expression record,
// every component must name an existing unit record, and no record may be
// left marked for deletion.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

#include "storage/holders.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "units/unitrec.h"

namespace kiv {

// One line per fault, empty when sound.
inline std::string OwnershipReport() {
    Database* db = MainDb();
    if (!db) return "no main database\n";
    std::ostringstream out;
    std::map<Uid, std::vector<std::string>> owners;
    auto own = [&](Uid uid, const std::string& who, int i = -1) {
        if (uid != NULL_UID) owners[uid].push_back(i < 0 ? who : who + " " + std::to_string(i));
    };

    for (int i = 1; i < db->count(); ++i)
        if (IsUnitRecord(i)) own(UnitDefinition(i), "definition of " + UnitName(i));
    if (StateLocated()) {
        const size_t size = State::recordSize();
        const int inRecord = size >= so::kStack ? int((size - so::kStack) / Value::kSize) : 0;
        const int top = State::stackTop();
        if (top >= inRecord || top >= std::max(State::stackSize(), 0))
            out << "stack top " << top << " beyond the stack\n";
        for (int i = 0; i <= std::min(top, inRecord - 1); ++i)
            own(OwnedUnit(State::stackEntry(i)), "stack entry", i);
        const int saved = State::savedCount();
        if (saved > 2) out << "saved count " << saved << " beyond the two slots\n";
        for (int i = 0; i < std::min(saved, 2); ++i)
            own(OwnedUnit(State::saved(i)), "saved argument", i);
        for (int i = 0; i < so::kMemoryCount; ++i) own(OwnedUnit(State::memory(i)), "memory", i);
        own(State::entryUnit(), "entry line");
        for (int i = 0; i < so::kUserSlots; ++i) own(State::userButton(i), "user button", i);
    }
    ForEachProcessUnit([&](const char* name, Uid uid) { own(uid, name); });

    for (const auto& [uid, who] : owners) {
        const int index = db->findByUid(uid);
        if (index < 0) {
            out << who.front() << " names missing record " << uid << "\n";
        } else if (!IsExpressionRecord(index)) {
            out << who.front() << " names record " << uid << " that is no expression\n";
        } else if (who.size() > 1) {
            out << "expression " << uid << " shared by";
            for (const auto& w : who) out << " [" << w << "]";
            out << "\n";
        }
    }
    for (int i = 0; i < db->count(); ++i) {
        const Uid uid = db->uid(i);
        if (i > 0 && (db->u8(i, 0) & KIND_MARK)) out << "record " << uid << " left marked\n";
        if (db->u32(i, 4) != uid) out << "record " << uid << " does not carry its own UID\n";
        if (!IsExpressionRecord(i)) continue;
        if (!owners.count(uid)) out << "expression " << uid << " has no owner (leak)\n";
        const size_t n = db->u8(i, 1);
        if (db->size(i) < 8 + 8 * n) out << "expression " << uid << " shorter than its count\n";
        for (const Component& c : ComponentsAt(i)) {
            const int u = db->findByUid(c.unit);
            if (u < 0 || !IsUnitRecord(u))
                out << "expression " << uid << " names missing unit " << c.unit << "\n";
            if (c.exponent == 0) out << "expression " << uid << " has a zero exponent\n";
        }
    }
    return out.str();
}

// A gtest failure (non-fatal) carrying the report when it is not empty.
inline void ExpectOwnershipSound() {
    EXPECT_EQ(OwnershipReport(), "");
}

}  // namespace kiv
