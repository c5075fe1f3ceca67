// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the Units dialog (template 504, menu 505 "Edit",
// accelerator table 505): browse the units by category, put one on the
// entry line (Use), delete, rename or redefine it.
//
// The host shows lines() and categories(), reports the list's selection
// with select(), and calls one command per user action; after each command
// it shows the lists again. Nested dialogs run through the host's runners.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/categoriesdlg.h"

namespace kiv {

// The category shown (0..15, or kCategoryAll); kept between openings for the
// whole run.
extern int categoryFilter;

struct UnitLine {
    std::string text;  // name, tab, long name and ": " when it has one, definition text (plain)
    int index = 0;     // record index of the unit
};

struct UnitsDialogRunners {
    // Runs the Define unit dialog modally (editingIndex is set); true on OK.
    std::function<bool()> defineUnit;
    // Runs the Edit Categories dialog modally.
    std::function<void()> editCategories;
};

class CUnitsDlgLogic {
  public:
    // Opening. `definitionWidth` is the pixels left for the definition
    // column. A letter handed over by the main window (unitDialogLetter)
    // selects its first unit and is forgotten; it counts as typed at
    // `openedAtMs` (the host's clock), so letters typed right after it
    // extend its search.
    CUnitsDlgLogic(int definitionWidth, UnitsDialogRunners runners, int64_t openedAtMs = 0);

    const std::vector<UnitLine>& lines() const { return lines_; }
    const CategoryList& categories() const { return categories_; }
    int selection() const { return selection_; }  // row, -1 for none
    void select(int row);
    bool stackChanged() const { return stackChanged_; }

    // "Use" or a double click: true when the dialog ends.
    bool use();
    void remove();    // Delete, Ctrl+X
    void rename();    // Rename, Ctrl+N
    void redefine();  // Redefine, Ctrl+F
    // A letter key: the first line starting with it, either case.
    void selectByLetter(char letter);
    // A letter key with type-ahead, as list views search: a letter typed
    // within kTypeAheadMs of the previous one extends the search text, and
    // the first line starting with all of it (either case) is selected; a
    // letter after a longer pause starts a new search, as selectByLetter.
    // The search text is found as search() finds it.
    // `nowMs` is the host's clock (milliseconds, never going back).
    void typeLetter(char letter, int64_t nowMs);
    // The search field: a unit's name exactly (case first); a prefix and a
    // unit (km, mA), selecting the unit's line and offering the prefixed
    // unit to Use; the first name starting with the text (either case);
    // then long names: starting with the text, a word starting with it,
    // holding it (either case). Text that matches none of these selects
    // nothing and says so in status().
    void search(const std::string& text);
    // What the last search found that the list alone does not show; empty
    // when there is nothing to say.
    const std::string& status() const { return status_; }
    static constexpr int64_t kTypeAheadMs = 1000;
    // The category list's selection changed to an item with `data`.
    void categoryChosen(int data);
    // Cancel or Escape: the main window redraws when the stack may differ.
    void cancel();
    // The refresh request: both lists again.
    void refresh();

  private:
    void fillList();
    void fillCategories();
    int selectedIndex();                                          // 1317 and 0 without a selection
    int firstLineStarting(const std::string& lowerPrefix) const;  // -1: none
    int lineOfUnit(int index) const;                              // -1: none
    int firstLongName(const std::string& lower) const;            // -1: none
    void find(const std::string& text);

    int width_;
    UnitsDialogRunners runners_;
    std::vector<UnitLine> lines_;
    CategoryList categories_;
    int selection_ = -1;
    bool stackChanged_ = false;
    std::string typed_;  // the type-ahead search, as typed
    std::string offer_;  // a prefixed unit Use puts on the entry line, as typed
    int offerRow_ = -1;  // the line of the unit it prefixes
    std::string status_;
    int64_t typedAt_ = 0;
};

}  // namespace kiv
