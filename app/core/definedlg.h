// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the Define unit dialog (template 503): a new unit from the
// number on top of the stack, or the new name and category of an existing
// unit (rename mode, opened by the Units dialog).
//
// Ownership: for a new unit the dialog holds X, popped at opening, in a
// registered process-wide variable until OK gives its unit expression to the
// new unit record or Cancel pushes X back. In rename mode the shown
// definition is the unit's own and is never deleted here.
#pragma once

#include <functional>
#include <string>

#include "app/core/categoriesdlg.h"

namespace kiv {

// Longest unit name; the name field's text is cut to it.
inline constexpr int kUnitNameLength = 10;

// The name field's text as a name: without surrounding blanks, its first 10
// characters. The host writes it back into the field before OK takes it, so
// that the field shows the name as it is stored.
std::string TrimmedUnitName(const std::string& field);
// The name a unit gets from the name field: TrimmedUnitName. Empty when it
// would not read back from a unit list or a paste: anything but the letters
// a-z and A-Z (refused with 1353; an empty field with 1304).
std::string UnitNameFromField(const std::string& field);

// The long-name field's text as a long name: without surrounding blanks,
// its first 47 characters (then again without blanks at its end). Empty
// means none.
std::string TrimmedLongName(const std::string& field);

// The unit being renamed (record index); 0 means Define unit creates a new
// unit. Set by the Units dialog's Rename, cleared when the dialog ends.
extern int editingIndex;

class CDefineUnitLogic {
  public:
    // Opens the dialog. `definitionWidth` is the width in pixels of the
    // definition text (0: no limit); `editCategories` runs the Edit
    // Categories dialog modally.
    explicit CDefineUnitLogic(int definitionWidth = 0, std::function<void()> editCategories = {});
    // A dialog that ends without OK or Cancel is cancelled, so X is never lost.
    ~CDefineUnitLogic();
    CDefineUnitLogic(const CDefineUnitLogic&) = delete;
    CDefineUnitLogic& operator=(const CDefineUnitLogic&) = delete;

    bool renaming() const { return renameIndex_ != 0; }
    const std::string& initialName() const { return name_; }
    // The unit's long name in rename mode; empty for a new unit.
    const std::string& initialLongName() const { return longName_; }
    // The long-name field's text, for the next ok(); a host without the
    // field leaves a renamed unit's long name as it is.
    void setLongNameField(const std::string& field) { longNameField_ = field, longNameSet_ = true; }
    // "(Base unit)", or the held value as number and unit text (plain).
    const std::string& definitionText() const { return definition_; }
    const CategoryList& categories() const { return categories_; }

    // OK with the name field's text and the selected item's data (-1 for no
    // selection). True when the dialog ends; false keeps it open (a message
    // was shown) with the user's input.
    bool ok(const std::string& nameField, int categoryData);

    void cancel();
    // The category list's selection changed to an item with `data`. For
    // "Edit Categories..." the Edit Categories dialog runs and the list is
    // refilled with category 0 selected; the result is then true.
    bool categoryChosen(int data);

  private:
    void release();

    int renameIndex_ = 0;
    int id_ = 0;
    int heldCategory_ = 0;
    double heldNumber_ = 0;
    bool open_ = true;
    std::string name_;
    std::string longName_;
    std::string longNameField_;
    bool longNameSet_ = false;
    std::string definition_;
    CategoryList categories_;
    std::function<void()> editCategories_;
};

}  // namespace kiv
