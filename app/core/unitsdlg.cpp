// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/core/unitsdlg.h"

#include <algorithm>
#include <cctype>

#include "app/core/definedlg.h"
#include "engine/format.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "res/resource.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/unittext.h"
#include "window/appevent.h"
#include "window/calctext.h"
#include "window/messages.h"

namespace kiv {

int categoryFilter = kCategoryAll;

namespace {

// Number and unit text of a value, plain, for lines and messages.
std::string ValueText(double number, Uid unit, int width) {
    char buf[200];
    FormatReal(buf, sizeof buf, number, unit, width, State::floatPrecision(), &ListFontPair());
    std::string text(buf);
    ToPlainText(text);
    return text;
}

// The width of plain text in the list's font.
int TextWidth(const std::string& text) {
    return MeasureText(text.data(), int(text.size()), ListFontPair());
}

}  // namespace

CUnitsDlgLogic::CUnitsDlgLogic(int definitionWidth, UnitsDialogRunners runners, int64_t openedAtMs)
    : width_(definitionWidth), runners_(std::move(runners)) {
    fillList();
    fillCategories();
    if (unitDialogLetter != 0) {
        typeLetter(unitDialogLetter, openedAtMs);
        unitDialogLetter = 0;
    }
    stackChanged_ = false;
}

void CUnitsDlgLogic::select(int row) {
    row = (row >= 0 && row < int(lines_.size())) ? row : -1;
    if (row != selection_) offer_.clear(), status_.clear();
    selection_ = row;
}

void CUnitsDlgLogic::fillList() {
    lines_.clear();
    offer_.clear();
    const int units = CountRecords(kCategoryAll).unitsTotal;
    for (int i = 1; i <= units; ++i) {
        if (!IsUnitRecord(i)) continue;
        if (categoryFilter != kCategoryAll && CategoryOfRecord(i) != categoryFilter) continue;
        const Uid def = UnitDefinition(i);
        // A scale shows where its zero lies, in its definition's unit.
        double zero;
        std::string zeroText;
        if (def != NULL_UID && UnitZeroPoint(i, &zero) && CanHaveZeroPoint(i))
            zeroText = ", zero at " + ValueText(zero, def, 0);
        // The definition shows whole; the long name leads in the room it
        // leaves, ending in "..." where it is longer than that room.
        std::string definition = def == NULL_UID ? std::string("(Base unit)")
                                                 : ValueText(UnitMagnitude(i), def, 0) + zeroText;
        if (def != NULL_UID && TextWidth(definition) > width_)
            definition =
                ValueText(UnitMagnitude(i), def, std::max(1, width_ - TextWidth(zeroText))) +
                zeroText;
        const int room = width_ - TextWidth(definition);
        std::string lead = UnitLongName(i);
        if (!lead.empty() && TextWidth(lead + ": ") > room) {
            while (!lead.empty() && TextWidth(lead + "\x85: ") > room) lead.pop_back();
            while (!lead.empty() && lead.back() == ' ') lead.pop_back();
            if (!lead.empty()) lead += "\x85";
        }
        if (!lead.empty()) lead += ": ";
        lines_.push_back({UnitName(i) + "\t" + lead + definition, i});
    }
    // The same position again; past the end, the last line.
    if (selection_ >= int(lines_.size())) selection_ = int(lines_.size()) - 1;
}

void CUnitsDlgLogic::fillCategories() {
    categories_ = FillCategoryList(true, categoryFilter);
}

int CUnitsDlgLogic::selectedIndex() {
    if (selection_ < 0 || selection_ >= int(lines_.size()) ||
        !IsUnitRecord(lines_[size_t(selection_)].index)) {
        ShowCodedMessage(MSG_SELECT_FIRST);
        return 0;
    }
    return lines_[size_t(selection_)].index;
}

bool CUnitsDlgLogic::use() {
    const int index = selectedIndex();
    if (index == 0) return false;
    bool ok = false;
    const Uid unit = !offer_.empty() && selection_ == offerRow_
                         ? ReadUnitExpression(offer_, &ok, nullptr)
                         : ExpressionOf(MainDb()->uid(index));
    if (unit == NULL_UID) return false;
    // A hand-over that was never taken gives way to this one.
    if (chosenUnit != NULL_UID) DeleteExpression(chosenUnit);
    chosenUnit = unit;
    SendAppEvent(APP_EVENT_REFRESH);
    return true;
}

void CUnitsDlgLogic::remove() {
    const int index = selectedIndex();
    if (index == 0) return;
    DeleteUnit(index);
    fillList();
    stackChanged_ = true;
}

void CUnitsDlgLogic::rename() {
    const int index = selectedIndex();
    if (index == 0) return;
    editingIndex = index;
    const bool renamed = runners_.defineUnit && runners_.defineUnit();
    // A runner that never opened the dialog must not leave rename mode on.
    editingIndex = 0;
    if (renamed) selection_ = -1;
    fillList();
    fillCategories();
    stackChanged_ = true;
}

void CUnitsDlgLogic::redefine() {
    const int index = selectedIndex();
    if (index == 0) return;
    commitEntry();
    stackChanged_ = true;
    Value v;
    if (!Pop(&v)) return;
    ForgetSavedArguments();
    const Uid unit = OwnedUnit(v);
    const double number = v.isReal() ? v.real() : 0;
    const std::string text =
        unit == NULL_UID ? std::string("(Base unit)") : ValueText(number, unit, 0);
    if (!v.isReal() || !RedefineUnit(index, number, unit, text)) Push(v);
    fillList();
}

int CUnitsDlgLogic::firstLineStarting(const std::string& lowerPrefix) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string& text = lines_[i].text;
        size_t k = 0;
        while (k < lowerPrefix.size() && k < text.size() &&
               std::tolower((unsigned char)text[k]) == lowerPrefix[k])
            ++k;
        if (k == lowerPrefix.size()) return int(i);
    }
    return -1;
}

int CUnitsDlgLogic::lineOfUnit(int index) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].index == index) return int(i);
    return -1;
}

int CUnitsDlgLogic::firstLongName(const std::string& lower) const {
    // Best first: the long name starts with the text, a word of it does,
    // it holds the text anywhere.
    int best = -1, bestRank = 3;
    for (size_t i = 0; i < lines_.size() && bestRank > 0; ++i) {
        std::string name = UnitLongName(lines_[i].index);
        for (char& ch : name) ch = char(std::tolower((unsigned char)ch));
        size_t at = name.find(lower);
        int rank = 3;
        for (; at != std::string::npos && rank > 0; at = name.find(lower, at + 1)) {
            const int r = at == 0 ? 0 : !std::isalnum((unsigned char)name[at - 1]) ? 1 : 2;
            rank = std::min(rank, r);
        }
        if (rank < bestRank) best = int(i), bestRank = rank;
    }
    return best;
}

void CUnitsDlgLogic::find(const std::string& text) {
    offer_.clear();
    status_.clear();
    if (text.empty()) return;
    int row = lineOfUnit(FindUnitByName(text));
    // A name that is no unit may be a prefix and a unit, as unit text
    // reads it; Use then attaches the prefixed unit.
    if (row < 0 && text.size() > 1 && PrefixPower(text[0]) != 0 && FindUnitByName(text) == 0) {
        row = lineOfUnit(FindUnitByName(text.substr(1)));
        if (row >= 0) {
            offer_ = text;
            offerRow_ = row;
            status_ = "Use gives " + text + " (" + text.substr(0, 1) + " + " + text.substr(1) + ")";
        }
    }
    std::string lower = text;
    for (char& ch : lower) ch = char(std::tolower((unsigned char)ch));
    if (row < 0) row = firstLineStarting(lower + "\t");
    if (row < 0) row = firstLineStarting(lower);
    if (row < 0) row = firstLongName(lower);
    // Never a line that only part of the text matched.
    if (row < 0) status_ = "No unit matches " + text;
    selection_ = row;
}

void CUnitsDlgLogic::search(const std::string& text) {
    typed_.clear();
    find(text);
}

void CUnitsDlgLogic::selectByLetter(char letter) {
    typed_.clear();  // the next typed letter starts its own search
    offer_.clear(), status_.clear();
    const int row = firstLineStarting(std::string(1, char(std::tolower((unsigned char)letter))));
    if (row >= 0) selection_ = row;
}

void CUnitsDlgLogic::typeLetter(char letter, int64_t nowMs) {
    if (nowMs - typedAt_ > kTypeAheadMs || nowMs < typedAt_) typed_.clear();
    typed_ += letter;
    typedAt_ = nowMs;
    find(typed_);
}

void CUnitsDlgLogic::categoryChosen(int data) {
    if (data == kCategoryEditItem) {
        if (runners_.editCategories) runners_.editCategories();
        categoryFilter = kCategoryAll;
    } else if ((data >= 0 && data < Database::kCategories) || data == kCategoryAll) {
        categoryFilter = data;
    }
    fillCategories();
    fillList();
}

void CUnitsDlgLogic::cancel() {
    if (stackChanged_) SendAppEvent(APP_EVENT_REFRESH);
}

void CUnitsDlgLogic::refresh() {
    fillList();
    fillCategories();
}

}  // namespace kiv
