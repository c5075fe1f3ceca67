// Holders of unit-expression references outside the database records:
// process-wide unit variables (the Units dialog's chosen unit, the assign
// flow's unit, the Define unit dialog's held definition). Each owns its
// expression. Storage shut-down deletes whatever they still hold.
#pragma once

#include "storage/database.h"

namespace kiv {

// Registers a process-wide variable that owns a unit expression. `name` is
// for diagnostics (the ownership checker names holders in its reports).
void RegisterProcessUnit(Uid* slot, const char* name);

// Calls f(name, uid) for every registered variable that is not NULL_UID.
template <typename F>
void ForEachProcessUnit(F&& f);

// Deletes each held expression and sets the variable to NULL_UID.
void DeleteProcessWideUnits();

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
