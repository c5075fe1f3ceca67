// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/core/definedlg.h"

#include <algorithm>

#include "engine/format.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "res/resource.h"
#include "storage/holders.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "storage/unitfields.h"
#include "units/algebra.h"
#include "window/appevent.h"
#include "window/calctext.h"
#include "window/messages.h"

namespace kiv {

int editingIndex = 0;

namespace {

// The unit of the held definition while a new unit is being defined. A
// registered variable, so a unit deletion or shut-down never leaves it
// dangling.
Uid g_heldUnit = NULL_UID;
// The held value's kind and number, pushed back on Cancel; nothing was
// taken from an empty stack, and nothing goes back.
Value g_heldValue;
bool g_heldTaken = false;
// Which dialog holds them (0: none), so that a dialog outlived by a newer
// one never pushes the newer one's value.
int g_holder = 0;
int g_nextDialog = 0;

void GiveBackHeld() {
    Value x = g_heldValue;
    if (x.isReal()) x.setUnit(g_heldUnit);
    g_heldUnit = NULL_UID;
    g_holder = 0;
    if (g_heldTaken) Push(x);
    g_heldTaken = false;
}

void RegisterHeld() {
    RegisterProcessUnit(&g_heldUnit, "held definition");
}

std::string DefinitionText(const Value& v, Uid unit, int width) {
    if (unit == NULL_UID) return "(Base unit)";
    Value shown = v;
    shown.setUnit(unit);
    std::string text = FormatValueText(shown, width, State::floatPrecision(), &ListFontPair());
    ToPlainText(text);
    return text;
}

// A unit list's factors and Paste read a unit name as a run of the letters
// a-z and A-Z; any other character would end the name there.
bool ReadableName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

}  // namespace

std::string TrimmedUnitName(const std::string& field) {
    size_t from = 0, to = field.size();
    while (from < to && (field[from] == ' ' || field[from] == '\t')) ++from;
    while (to > from && (field[to - 1] == ' ' || field[to - 1] == '\t')) --to;
    return field.substr(from, std::min<size_t>(to - from, kUnitNameLength));
}

std::string TrimmedLongName(const std::string& field) {
    auto trim = [](std::string t) {
        const size_t from = t.find_first_not_of(' ');
        if (from == std::string::npos) return std::string();
        return t.substr(from, t.find_last_not_of(' ') + 1 - from);
    };
    return trim(trim(field).substr(0, kMaxLongName));
}

std::string UnitNameFromField(const std::string& field) {
    const std::string name = TrimmedUnitName(field);
    return ReadableName(name) ? name : std::string();
}

CDefineUnitLogic::CDefineUnitLogic(int definitionWidth, std::function<void()> editCategories)
    : editCategories_(std::move(editCategories)) {
    RegisterHeld();
    if (editingIndex != 0 && IsUnitRecord(editingIndex)) {
        renameIndex_ = editingIndex;
        heldCategory_ = CategoryOfRecord(renameIndex_);
        name_ = UnitName(renameIndex_);
        longName_ = UnitLongName(renameIndex_);
        // The unit's own definition, shown but not taken.
        definition_ = DefinitionText(Value::Real(UnitMagnitude(renameIndex_)),
                                     UnitDefinition(renameIndex_), definitionWidth);
    } else {
        editingIndex = 0;
        // A dialog still open gives its X back first, so two held values
        // never meet.
        if (g_holder != 0) GiveBackHeld();
        commitEntry();
        id_ = ++g_nextDialog;
        g_holder = id_;
        g_heldUnit = NULL_UID;
        g_heldValue = Value::Real(0);
        g_heldTaken = false;
        if (Depth() > 0) {
            ForgetSavedArguments();
            Value x;
            if (Pop(&x)) {
                g_heldValue = x;
                g_heldUnit = OwnedUnit(x);
                g_heldTaken = true;
            }
        }
        heldNumber_ = g_heldValue.isReal() ? g_heldValue.real() : 0;
        definition_ = DefinitionText(g_heldValue, g_heldUnit, definitionWidth);
    }
    categories_ = FillCategoryList(false, heldCategory_);
}

CDefineUnitLogic::~CDefineUnitLogic() {
    if (open_) cancel();
}

bool CDefineUnitLogic::ok(const std::string& nameField, int categoryData) {
    if (!open_) return true;
    std::string name = UnitNameFromField(nameField);
    // A name from an older version stays while the unit is only moved to
    // another category; a new name must read back.
    if (name.empty() && renameIndex_ != 0 && TrimmedUnitName(nameField) == name_) name = name_;
    if (name.empty()) {
        ShowCodedMessage(TrimmedUnitName(nameField).empty() ? MSG_NAME_LENGTH
                                                            : MSG_UNIT_NAME_LETTERS);
        return false;
    }
    const int existing = FindUnitByName(name);
    if (existing != 0 && existing != renameIndex_) {
        ShowCodedMessage(MSG_NAME_EXISTS);
        return false;
    }
    const std::string longName = TrimmedLongName(longNameField_);
    if (!longName.empty() &&
        !ValidLongName(reinterpret_cast<const uint8_t*>(longName.data()), longName.size())) {
        ShowCodedMessage(MSG_LONG_NAME);
        return false;
    }
    const int category =
        (categoryData >= 0 && categoryData < Database::kCategories) ? categoryData : heldCategory_;

    if (renaming()) {
        // A failed resize keeps the dialog open, still renaming this unit.
        if (longNameSet_ && !SetUnitLongName(renameIndex_, longName)) return false;
        if (RenameUnit(renameIndex_, name, category) != 0) return false;
        editingIndex = 0;
        open_ = false;
        refreshUnitText();
        resetLabelKeys();  // a user button may show the old name
        SendAppEvent(APP_EVENT_REFRESH);
        return true;
    }

    const Uid held = g_holder == id_ ? g_heldUnit : NULL_UID;
    const Uid unit = CreateUnit(name, heldNumber_, held, category);
    // Without a record (1324 shown) the definition is still ours: the dialog
    // stays open, and Cancel gives X back.
    if (unit == NULL_UID) return false;
    // Without room for the long name the unit stays, as a unit without one
    // (1324 has been shown).
    if (!longName.empty()) SetUnitLongName(IndexOfUid(unit), longName);
    if (g_holder == id_) {
        g_heldUnit = NULL_UID;  // now the unit record's definition
        g_holder = 0;
        g_heldTaken = false;
    }
    open_ = false;
    beginAssign(ExpressionOf(unit));
    SendAppEvent(APP_EVENT_REFRESH);
    return true;
}

void CDefineUnitLogic::cancel() {
    if (!open_) return;
    open_ = false;
    if (renaming()) {
        editingIndex = 0;
        return;
    }
    if (g_holder != id_) return;
    GiveBackHeld();
    // The entry line was committed at opening: the window shows X again.
    SendAppEvent(APP_EVENT_REFRESH);
}

bool CDefineUnitLogic::categoryChosen(int data) {
    if (data != kCategoryEditItem) return false;
    if (editCategories_) editCategories_();
    categories_ = FillCategoryList(false, 0);
    categories_.selected = 0;
    return true;
}

}  // namespace kiv
