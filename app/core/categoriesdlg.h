// SPDX-License-Identifier: GPL-3.0-or-later
// The category drop-down lists of the unit dialogs and the logic of the
// Edit Categories dialog (template 511) with its name dialog (512).
//
// Category names are the 16 slots of the main database; an empty name is a
// free slot. Slot 0 is the fallback every unit keeps and is never edited here.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kiv {

// Item data of the category lists besides the category numbers 0..15.
inline constexpr int kCategoryAll = 255;
inline constexpr int kCategoryEditItem = 1000;
// A slot holds at most this many characters and a terminating zero.
inline constexpr int kCategoryNameMax = 15;

struct CategoryItem {
    std::string text;  // calculator text
    int data = 0;      // 0..15, kCategoryAll or kCategoryEditItem
};

struct CategoryList {
    std::vector<CategoryItem> items;
    int selected = -1;  // row, -1 when no item has the wanted data
};

// "All" (when wanted), every named slot 0..15 in order, "Edit
// Categories..."; the row whose data is `select` is selected.
CategoryList FillCategoryList(bool withAll, int select);

// The name dialog, run modally by the host: shows `*name`, stores the
// user's text there, returns false on Cancel.
using CategoryNamePrompt = std::function<bool(std::string* name)>;

class CEditCategoriesLogic {
  public:
    explicit CEditCategoriesLogic(CategoryNamePrompt prompt);

    // The named categories 1..15 in number order, data = category number.
    const std::vector<CategoryItem>& lines() const { return lines_; }

    // Each takes the category number of the selected line, -1 for none.
    // Every change is written at once; OK and Escape only close.
    void onNew();
    void onRename(int category);
    void onDelete(int category);

  private:
    void refill();

    CategoryNamePrompt prompt_;
    std::vector<CategoryItem> lines_;
};

}  // namespace kiv
