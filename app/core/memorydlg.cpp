// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/core/memorydlg.h"

#include "engine/format.h"
#include "engine/stack.h"
#include "res/resource.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "window/appevent.h"
#include "window/calctext.h"

namespace kiv {
namespace {

int16_t g_selection = 0;

}  // namespace

void SetMemoryRegister(int i, const Value& v) {
    if (i < 0 || i >= so::kMemoryCount) return;
    const Value old = State::memory(i);
    if (old.isReal() && old.unit() != NULL_UID) DeleteExpression(old.unit());
    State::setMemory(i, v);
}

CMemoryDlgLogic::CMemoryDlgLogic(int valueWidth) : valueWidth_(int16_t(valueWidth)) {}

std::vector<std::string> CMemoryDlgLogic::lines() const {
    std::vector<std::string> out;
    for (int i = 0; i < so::kMemoryCount; ++i) {
        std::string text = FormatValueText(State::memory(i), valueWidth_, State::floatPrecision(),
                                           &ListFontPair());
        ToPlainText(text);
        out.push_back(std::to_string(i) + "\t" + text);
    }
    return out;
}

int CMemoryDlgLogic::RememberedSelection() {
    return g_selection;
}
void CMemoryDlgLogic::ResetRememberedSelection() {
    g_selection = 0;
}

bool CMemoryDlgLogic::store(int selection) {
    if (selection < 0 || selection >= so::kMemoryCount) return false;
    g_selection = int16_t(selection);
    // Store itself cannot be undone.
    ForgetSavedArguments();
    Value v;
    if (!Pop(&v)) return false;  // 1302 shown; the dialog stays open
    SetMemoryRegister(selection, v);
    SendAppEvent(APP_EVENT_REFRESH);
    return true;
}

bool CMemoryDlgLogic::recall(int selection) {
    if (selection < 0 || selection >= so::kMemoryCount) return false;
    g_selection = int16_t(selection);
    ForgetSavedArguments();
    Value v = State::memory(selection);
    if (v.isReal()) v.setUnit(DuplicateExpression(v.unit()));
    Push(v);
    SendAppEvent(APP_EVENT_REFRESH);
    return true;
}

void CMemoryDlgLogic::clearSelection(int selection) {
    if (selection < 0 || selection >= so::kMemoryCount) return;
    g_selection = int16_t(selection);
    SetMemoryRegister(selection, ZeroValue());
}

void CMemoryDlgLogic::clearAll() {
    for (int i = 0; i < so::kMemoryCount; ++i) SetMemoryRegister(i, ZeroValue());
}

}  // namespace kiv
