#include <gtest/gtest.h>

#include <deque>

#include "app/core/categoriesdlg.h"
#include "app/core/unitsdlg.h"
#include "storage/maindb.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/unitrec.h"

namespace kiv {
namespace {

class CategoriesTest : public ::testing::Test {
  protected:
    void SetUp() override { categoryFilter = kCategoryAll; }
    void TearDown() override {
        categoryFilter = kCategoryAll;
        ExpectOwnershipSound();
    }
    // The name dialog: answers from the queue (an empty queue is Cancel) and
    // records the text it was opened with.
    CategoryNamePrompt Prompt() {
        return [this](std::string* name) {
            shown.push_back(*name);
            if (typed.empty()) return false;
            *name = typed.front();
            typed.pop_front();
            return true;
        };
    }
    static std::vector<std::string> Texts(const std::vector<CategoryItem>& items) {
        std::vector<std::string> out;
        for (const auto& i : items) out.push_back(i.text);
        return out;
    }
    Database& Db() { return *MainDb(); }
    TestDb t;
    std::deque<std::string> typed;
    std::vector<std::string> shown;
};

TEST_F(CategoriesTest, OnlyUnfiledNamedGivesAnEmptyEditorAndShortLists) {
    CEditCategoriesLogic dlg(Prompt());
    EXPECT_TRUE(dlg.lines().empty());
    const CategoryList plain = FillCategoryList(false, 0);
    EXPECT_EQ(Texts(plain.items), (std::vector<std::string>{"Unfiled", "Edit Categories..."}));
    EXPECT_EQ(plain.items[0].data, 0);
    EXPECT_EQ(plain.items[1].data, 1000);
    EXPECT_EQ(plain.selected, 0);
    const CategoryList all = FillCategoryList(true, 255);
    EXPECT_EQ(Texts(all.items), (std::vector<std::string>{"All", "Unfiled", "Edit Categories..."}));
    EXPECT_EQ(all.selected, 0);
    EXPECT_EQ(FillCategoryList(true, 7).selected, -1);
}

TEST_F(CategoriesTest, NewFillsTheLowestFreeSlotAndCancelChangesNothing) {
    CEditCategoriesLogic dlg(Prompt());
    dlg.onNew();  // Cancel
    EXPECT_EQ(shown, (std::vector<std::string>{""}));
    EXPECT_TRUE(dlg.lines().empty());
    typed = {"Length", "Time", "Mass"};
    dlg.onNew();
    dlg.onNew();
    dlg.onNew();
    EXPECT_EQ(Texts(dlg.lines()), (std::vector<std::string>{"Length", "Time", "Mass"}));
    EXPECT_EQ(dlg.lines()[1].data, 2);
    dlg.onDelete(2);
    typed = {"Speed"};
    dlg.onNew();
    EXPECT_EQ(Db().categoryName(2), "Speed");
    EXPECT_EQ(Texts(dlg.lines()), (std::vector<std::string>{"Length", "Speed", "Mass"}));
    typed = {""};  // OK on an empty name names nothing
    dlg.onNew();
    EXPECT_EQ(dlg.lines().size(), 3u);
    EXPECT_TRUE(t.win.messages.empty());
}

TEST_F(CategoriesTest, NoRoomAfterFifteenNames) {
    CEditCategoriesLogic dlg(Prompt());
    for (int i = 1; i <= 15; ++i) typed.push_back("c" + std::to_string(i));
    for (int i = 1; i <= 15; ++i) dlg.onNew();
    EXPECT_EQ(dlg.lines().size(), 15u);
    EXPECT_TRUE(t.win.messages.empty());
    typed = {"extra"};
    dlg.onNew();
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0].text, "No room for more categories.");
    EXPECT_EQ(Db().categoryName(0), "Unfiled");
    EXPECT_EQ(Db().categoryName(15), "c15");
}

TEST_F(CategoriesTest, LongNamesStayInsideTheirSlot) {
    Db().setCategoryName(3, "Next");
    CEditCategoriesLogic dlg(Prompt());
    typed = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz"};
    dlg.onNew();
    EXPECT_EQ(Db().categoryName(1), "ABCDEFGHIJKLMNO");
    dlg.onRename(3);
    EXPECT_EQ(shown.back(), "Next");
    EXPECT_EQ(Db().categoryName(3), "abcdefghijklmno");
    EXPECT_EQ(Db().categories[3][15], 0);
    EXPECT_EQ(Db().categoryName(2), "");
    EXPECT_EQ(Db().categoryName(4), "");
}

TEST_F(CategoriesTest, DeleteMovesTheUnitsToCategoryZeroAndFreesTheSlot) {
    Db().setCategoryName(1, "Length");
    Db().setCategoryName(2, "Time");
    const Uid m = DefineUnit("m", 1, {}, 2);
    for (const char* n : {"km", "cm", "mm", "dm"}) DefineUnit(n, 10, {{m, 0, 1}}, 2);
    DefineUnit("s", 1, {}, 1);
    CEditCategoriesLogic dlg(Prompt());
    dlg.onDelete(2);
    EXPECT_TRUE(t.win.messages.empty());  // no confirmation
    EXPECT_EQ(Texts(dlg.lines()), (std::vector<std::string>{"Length"}));
    categoryFilter = 0;
    CUnitsDlgLogic units(400, {});
    EXPECT_EQ(units.lines().size(), 5u);
    EXPECT_EQ(CategoryOfRecord(FindUnitByName("s")), 1);
    typed = {"Money"};
    dlg.onNew();
    EXPECT_EQ(Db().categoryName(2), "Money");
}

TEST_F(CategoriesTest, RenamingToEmptyFreesTheSlotButUnitsKeepTheirNumber) {
    Db().setCategoryName(1, "Length");
    Db().setCategoryName(5, "Time");
    DefineUnit("s", 1, {}, 5);
    CEditCategoriesLogic dlg(Prompt());
    typed = {""};
    dlg.onRename(5);
    EXPECT_EQ(shown, (std::vector<std::string>{"Time"}));
    EXPECT_EQ(Texts(dlg.lines()), (std::vector<std::string>{"Length"}));
    EXPECT_EQ(Texts(FillCategoryList(true, 255).items),
              (std::vector<std::string>{"All", "Unfiled", "Length", "Edit Categories..."}));
    EXPECT_EQ(CategoryOfRecord(FindUnitByName("s")), 5);
    // A new category takes the slot only when no lower one is free.
    typed = {"Speed", "Frequency", "Angle", "Area"};
    for (int i = 0; i < 4; ++i) dlg.onNew();
    EXPECT_EQ(Db().categoryName(5), "Area");
    categoryFilter = 5;
    CUnitsDlgLogic units(400, {});
    ASSERT_EQ(units.lines().size(), 1u);
    EXPECT_EQ(units.lines()[0].text, "s\t(Base unit)");
}

TEST_F(CategoriesTest, RenameAndDeleteNeedASelection) {
    Db().setCategoryName(1, "Length");
    CEditCategoriesLogic dlg(Prompt());
    dlg.onRename(-1);
    dlg.onDelete(-1);
    ASSERT_EQ(t.win.messages.size(), 2u);
    EXPECT_EQ(t.win.messages[0].text, "Please select an item first.");
    EXPECT_EQ(t.win.messages[1].text, "Please select an item first.");
    EXPECT_TRUE(shown.empty());
    dlg.onRename(1);  // Cancel
    EXPECT_EQ(Db().categoryName(1), "Length");
    dlg.onRename(0);  // never edited here
    dlg.onDelete(0);
    EXPECT_EQ(Db().categoryName(0), "Unfiled");
    EXPECT_EQ(shown.size(), 1u);
}

}  // namespace
}  // namespace kiv
