// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/holders.h"

#include <algorithm>
#include <vector>

#include "storage/maindb.h"
#include "storage/state.h"

namespace kiv {
namespace {

std::vector<detail::ProcessUnit>& Registry() {
    static std::vector<detail::ProcessUnit> r;
    return r;
}

void (*g_entryHook)() = nullptr;

// The highest stack index that exists in the record, bounded by the top.
int LastStackEntry() {
    const int top = State::stackTop();
    const size_t size = State::recordSize();
    if (size < so::kStack) return -1;
    const int inRecord = int((size - so::kStack) / Value::kSize) - 1;
    return std::min({top, State::stackSize() - 1, inRecord});
}

int SavedCountBounded() {
    return std::min(State::savedCount(), 2);
}

}  // namespace

void StripUnitFromStack(Uid u) {
    if (u == NULL_UID) return;
    const int last = LastStackEntry();
    for (int i = 0; i <= last; ++i) {
        Value v = State::stackEntry(i);
        if (v.isReal() && v.unit() == u) {
            v.setUnit(NULL_UID);
            State::setStackEntry(i, v);
        }
    }
}

void ForgetEntryLineUnit(Uid u) {
    if (u == NULL_UID || State::entryUnit() != u) return;
    State::setEntryUnit(NULL_UID);
    State::setPendingPrefix(0);
    State::setPerState(0);
    if (g_entryHook) g_entryHook();
}

void ClearSlotsUsing(Uid u) {
    if (u == NULL_UID) return;
    for (int i = 0; i < so::kUserSlots; ++i)
        if (State::userButton(i) == u) State::setUserButton(i, NULL_UID);
}

void DropUnitFromRegisters(Uid u) {
    if (u == NULL_UID) return;
    for (int i = 0; i < so::kMemoryCount; ++i) {
        Value v = State::memory(i);
        if (v.isReal() && v.unit() == u) {
            v.setUnit(NULL_UID);
            State::setMemory(i, v);
        }
    }
}

void SetEntryUnitForgottenHook(void (*hook)()) {
    g_entryHook = hook;
}

void DeleteSavedArgumentUnits() {
    const int n = SavedCountBounded();
    for (int i = 0; i < n; ++i) {
        Value v = State::saved(i);
        if (!v.isReal() || v.unit() == NULL_UID) continue;
        DeleteByUid(v.unit());
        v.setUnit(NULL_UID);
        State::setSaved(i, v);
    }
    State::setSavedCount(0);
}

bool SavedArgumentsUse(Uid u) {
    if (u == NULL_UID) return false;
    const int n = SavedCountBounded();
    for (int i = 0; i < n; ++i) {
        const Value v = State::saved(i);
        if (v.isReal() && v.unit() == u) return true;
    }
    return false;
}

void RegisterProcessUnit(Uid* slot, const char* name) {
    for (const auto& p : Registry())
        if (p.slot == slot) return;
    Registry().push_back({slot, name});
}

void DeleteProcessWideUnits() {
    for (auto& p : Registry()) {
        if (*p.slot != NULL_UID && MainDb()) DeleteByUid(*p.slot);
        *p.slot = NULL_UID;
    }
}

void ForgetProcessUnit(Uid u) {
    if (u == NULL_UID) return;
    for (auto& p : Registry())
        if (*p.slot == u) *p.slot = NULL_UID;
}

namespace detail {
int ProcessUnitCount() {
    return int(Registry().size());
}
const ProcessUnit& ProcessUnitAt(int i) {
    return Registry()[size_t(i)];
}
}  // namespace detail

}  // namespace kiv
