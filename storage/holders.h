// SPDX-License-Identifier: GPL-3.0-or-later
// Holders of unit-expression references outside the database records.
//
// The state record holds four kinds (stack entries, the entry-line unit, the
// 50 user-button slots, the 10 memory registers); the functions below clear
// a reference from each so that a deletion never leaves a dangling UID. They
// only forget the reference: the caller (the deletion walk) removes the
// records. Process-wide unit variables (the Units dialog's chosen unit, the
// assign flow's unit, the Define unit dialog's held definition) register
// here; each owns its expression and storage shut-down deletes whatever they
// still hold.
#pragma once

#include "storage/database.h"

namespace kiv {

// Every real stack entry 0..top whose unit is `u` keeps its number and gets
// NULL_UID. The saved arguments and memories are left alone.
void StripUnitFromStack(Uid u);
// When the entry line's unit is `u`: entryUnit := NULL_UID, pendingPrefix and
// perState := 0, then the forgotten-unit hook runs. The text stays.
void ForgetEntryLineUnit(Uid u);
// Every user-button slot holding `u` becomes empty (nothing is deleted).
void ClearSlotsUsing(Uid u);
// Every real memory register whose unit is `u` keeps its number, unit NULL_UID.
void DropUnitFromRegisters(Uid u);

// Installed by the keypad: runs after ForgetEntryLineUnit cleared the entry
// line's unit fields (to drop its pending-prefix text and relabel). nullptr
// removes it.
void SetEntryUnitForgottenHook(void (*hook)());

// Forgets the saved Undo arguments: deletes the unit expressions of the real
// values among the first savedCount slots and sets the count to 0. The same
// semantics as ForgetSavedArguments of the engine, available to the units
// code without depending on the engine.
void DeleteSavedArgumentUnits();
// True when a real saved argument 0..savedCount-1 has unit `u`.
bool SavedArgumentsUse(Uid u);

// Registers a process-wide variable that owns a unit expression. `name` is
// for diagnostics (the ownership checker names holders in its reports).
void RegisterProcessUnit(Uid* slot, const char* name);

// Calls f(name, uid) for every registered variable that is not NULL_UID.
template <typename F>
void ForEachProcessUnit(F&& f);

// Deletes each held expression and sets the variable to NULL_UID.
void DeleteProcessWideUnits();
// Every registered variable holding `u` is set to NULL_UID (not deleted).
void ForgetProcessUnit(Uid u);

namespace detail {
struct ProcessUnit {
    Uid* slot;
    const char* name;
};
int ProcessUnitCount();
const ProcessUnit& ProcessUnitAt(int i);
}  // namespace detail

template <typename F>
void ForEachProcessUnit(F&& f) {
    for (int i = 0; i < detail::ProcessUnitCount(); ++i) {
        const auto& p = detail::ProcessUnitAt(i);
        if (*p.slot != NULL_UID) f(p.name, *p.slot);
    }
}

}  // namespace kiv
