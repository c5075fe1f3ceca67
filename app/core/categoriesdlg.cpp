// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/core/categoriesdlg.h"

#include "storage/maindb.h"
#include "window/messages.h"

namespace kiv {
namespace {

Database* Db() {
    return MainDb();
}

std::string CategoryName(int i) {
    return Db() ? Db()->categoryName(i) : std::string();
}

// A name dialog accepts any length; the slot does not.
std::string SlotText(const std::string& name) {
    return name.substr(0, std::min<size_t>(name.size(), kCategoryNameMax));
}

}  // namespace

CategoryList FillCategoryList(bool withAll, int select) {
    CategoryList list;
    auto add = [&](std::string text, int data) {
        if (data == select) list.selected = int(list.items.size());
        list.items.push_back({std::move(text), data});
    };
    if (withAll) add("All", kCategoryAll);
    for (int i = 0; i < Database::kCategories; ++i) {
        std::string name = CategoryName(i);
        if (!name.empty()) add(std::move(name), i);
    }
    add("Edit Categories...", kCategoryEditItem);
    return list;
}

CEditCategoriesLogic::CEditCategoriesLogic(CategoryNamePrompt prompt) : prompt_(std::move(prompt)) {
    refill();
}

void CEditCategoriesLogic::refill() {
    lines_.clear();
    for (int i = 1; i < Database::kCategories; ++i) {
        std::string name = CategoryName(i);
        if (!name.empty()) lines_.push_back({std::move(name), i});
    }
}

void CEditCategoriesLogic::onNew() {
    std::string name;
    if (!Db() || !prompt_ || !prompt_(&name)) return;
    name = SlotText(name);
    // An empty name would name no slot: nothing to add.
    if (name.empty()) return;
    if (Db()->addCategory(name) == kCategoryAll) ShowCodedMessage(MSG_NO_CATEGORY);
    refill();
}

void CEditCategoriesLogic::onRename(int category) {
    if (category < 0) {
        ShowCodedMessage(MSG_SELECT_FIRST);
        return;
    }
    // Slot 0 is never edited here, and a free slot has nothing to rename.
    if (category == 0 || category >= Database::kCategories) return;
    std::string name = CategoryName(category);
    if (name.empty() || !prompt_ || !prompt_(&name)) return;
    // An empty name frees the slot; its units keep the number.
    Db()->setCategoryName(category, SlotText(name));
    refill();
}

void CEditCategoriesLogic::onDelete(int category) {
    if (category < 0) {
        ShowCodedMessage(MSG_SELECT_FIRST);
        return;
    }
    if (category == 0 || category >= Database::kCategories || !Db()) return;
    Db()->deleteCategory(category);
    refill();
}

}  // namespace kiv
