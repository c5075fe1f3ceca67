#include <gtest/gtest.h>

#include "app/core/appevent.h"
#include "app/core/definedlg.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unitrec.h"
#include "units/unittext.h"

namespace kiv {
namespace {

class DefineUnitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetKeypadState();
        editingIndex = 0;
        SetAppEventHandler([this](int code, int) {
            if (code == 4000) ++refreshes;
        });
    }
    void TearDown() override {
        SetAppEventHandler(nullptr);
        assignMode = false;
        DeleteExpression(assignUnit);
        assignUnit = NULL_UID;
        EXPECT_EQ(editingIndex, 0);
        ExpectOwnershipSound();
    }
    static Value Real(double n, Uid unit) { return Value::Real(n, ExpressionOf(unit)); }
    static Value Top() {
        Value v;
        EXPECT_TRUE(Peek(0, &v));
        return v;
    }
    TestDb t;
    int refreshes = 0;
};

TEST_F(DefineUnitTest, EmptyStackMakesABaseUnitOfCategoryZeroAndOffersItForAButton) {
    CDefineUnitLogic dlg;
    EXPECT_FALSE(dlg.renaming());
    EXPECT_EQ(dlg.initialName(), "");
    EXPECT_EQ(dlg.definitionText(), "(Base unit)");
    ASSERT_EQ(dlg.categories().items.size(), 2u);
    EXPECT_EQ(dlg.categories().items[0].text, "Unfiled");
    EXPECT_EQ(dlg.categories().items[1].data, 1000);
    EXPECT_EQ(dlg.categories().selected, 0);

    EXPECT_TRUE(dlg.ok("m", 0));
    Uid uid = NULL_UID;
    const int index = FindUnitByName("m", &uid);
    ASSERT_GT(index, 0);
    EXPECT_EQ(UnitDefinition(index), NULL_UID);
    EXPECT_EQ(CategoryOfRecord(index), 0);
    EXPECT_EQ(Depth(), 0);
    // The next button click puts the new unit on a button.
    EXPECT_TRUE(assignMode);
    EXPECT_EQ(ExpressionText(assignUnit), "m");
    EXPECT_EQ(refreshes, 1);
}

TEST_F(DefineUnitTest, ThousandMetresBecomeTheDefinitionAndLeaveTheStack) {
    const Uid m = DefineUnit("m", 1, {});
    Push(Real(7, m));
    Push(Real(1000, m));
    CDefineUnitLogic dlg;
    EXPECT_EQ(Depth(), 1);                       // X is held by the dialog
    EXPECT_EQ(dlg.definitionText(), "1,000 m");  // grouped as in the stack list
    EXPECT_TRUE(dlg.ok("km2x", -1));
    const int index = FindUnitByName("km2x");
    ASSERT_GT(index, 0);
    EXPECT_EQ(UnitMagnitude(index), 1000.0);
    EXPECT_EQ(ExpressionText(UnitDefinition(index)), "m");
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Top().real(), 7.0);
}

TEST_F(DefineUnitTest, CancelAndAnAbandonedDialogGiveXBack) {
    const Uid m = DefineUnit("m", 1, {});
    Push(Real(1000, m));
    {
        CDefineUnitLogic dlg;
        EXPECT_EQ(Depth(), 0);
        dlg.cancel();
    }
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Top().real(), 1000.0);
    EXPECT_EQ(ExpressionText(Top().unit()), "m");
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(assignMode);
    EXPECT_EQ(CountRecords(255).unitsTotal, 1);

    { CDefineUnitLogic dropped; }  // closed without OK or Cancel
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(ExpressionText(Top().unit()), "m");
}

TEST_F(DefineUnitTest, OpeningCommitsTheEntryLineAndForgetsUndo) {
    const Uid m = DefineUnit("m", 1, {});
    Push(Real(2, m));
    Push(Real(3, m));
    SaveArguments(2);
    keyDigit(2);
    keyDigit(5);
    CDefineUnitLogic dlg;
    EXPECT_FALSE(isEntryOpen());
    EXPECT_EQ(State::savedCount(), 0);
    EXPECT_EQ(dlg.definitionText(), "(Base unit)");  // 25 has no unit
    dlg.cancel();
    ASSERT_EQ(Depth(), 3);
    EXPECT_EQ(Top().real(), 25.0);
}

TEST_F(DefineUnitTest, NamesAreCutToTenAndMustBeNewAndNotEmpty) {
    const Uid m = DefineUnit("m", 1, {});
    Push(Real(5, m));
    CDefineUnitLogic dlg;
    EXPECT_FALSE(dlg.ok("", 0));
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0].text, "A unit name must have between 1 and 10 letters.");
    EXPECT_FALSE(dlg.ok("m", 0));
    EXPECT_EQ(t.win.messages.back().text,
              "There is already a unit with that name.  Please choose another name.");
    EXPECT_EQ(Depth(), 0);  // still held while the dialog stays open
    EXPECT_TRUE(dlg.ok("abcdefghijkl", 0));
    const int index = FindUnitByName("abcdefghij");
    ASSERT_GT(index, 0);
    EXPECT_EQ(MainDb()->size(index), 31u);
    EXPECT_EQ(FindUnitByName("abcdefghijkl"), 0);
    EXPECT_EQ(UnitMagnitude(index), 5.0);
}

TEST_F(DefineUnitTest, NamesAUnitListCouldNotReadBackAreRefused) {
    EXPECT_EQ(UnitNameFromField("  ft\t"), "ft");
    EXPECT_EQ(UnitNameFromField(" abcdefghijkl"), "abcdefghij");
    EXPECT_EQ(UnitNameFromField("\xB0"
                                "F"),
              "\xB0"
              "F");
    for (const char* bad : {"   ", "sq ft", "a\tb", "#x", ".cat", "m\x7F", "a\x01"})
        EXPECT_EQ(UnitNameFromField(bad), "") << bad;
    CDefineUnitLogic dlg;
    EXPECT_FALSE(dlg.ok("sq ft", 0));
    EXPECT_TRUE(t.win.shownText("between 1 and 10 letters"));
    EXPECT_EQ(CountRecords(255).unitsTotal, 0);
    EXPECT_TRUE(dlg.ok(" sqft ", 0));
    EXPECT_GT(FindUnitByName("sqft"), 0);
}

TEST_F(DefineUnitTest, ATwelveLetterNameClashingInItsFirstTenIsRefused) {
    DefineUnit("abcdefghij", 1, {});
    CDefineUnitLogic dlg;
    EXPECT_FALSE(dlg.ok("abcdefghijXY", 0));
    EXPECT_TRUE(t.win.shownText("already a unit"));
    dlg.cancel();
    EXPECT_EQ(CountRecords(255).unitsTotal, 1);
}

TEST_F(DefineUnitTest, AFullDatabaseKeepsTheDialogOpenAndTheValue) {
    const Uid m = DefineUnit("m", 1, {});
    Push(Real(1000, m));
    CDefineUnitLogic dlg;
    MainDb()->capacity = uint32_t(MainDb()->count());
    EXPECT_FALSE(dlg.ok("km", 0));
    EXPECT_TRUE(t.win.shownText("There is not enough free memory."));
    EXPECT_FALSE(assignMode);
    MainDb()->capacity = Database::kDefaultCapacity;
    dlg.cancel();
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(ExpressionText(Top().unit()), "m");
}

TEST_F(DefineUnitTest, TheChosenCategoryIsStored) {
    MainDb()->setCategoryName(4, "Length");
    CDefineUnitLogic dlg;
    const auto& items = dlg.categories().items;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].text, "Length");
    EXPECT_EQ(items[1].data, 4);
    EXPECT_TRUE(dlg.ok("m", 4));
    EXPECT_EQ(CategoryOfRecord(FindUnitByName("m")), 4);
}

TEST_F(DefineUnitTest, EditCategoriesItemRunsTheDialogAndSelectsCategoryZero) {
    int runs = 0;
    CDefineUnitLogic dlg(0, [&] {
        ++runs;
        MainDb()->addCategory("Time");
    });
    EXPECT_FALSE(dlg.categoryChosen(0));
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(dlg.categoryChosen(1000));
    EXPECT_EQ(runs, 1);
    ASSERT_EQ(dlg.categories().items.size(), 3u);
    EXPECT_EQ(dlg.categories().items[1].text, "Time");
    EXPECT_EQ(dlg.categories().selected, 0);
    dlg.cancel();
}

class RenameTest : public DefineUnitTest {
  protected:
    void SetUp() override {
        DefineUnitTest::SetUp();
        m = DefineUnit("m", 1, {});
        ft = DefineUnit("foot", 0.3048, {{m, 0, 1}}, 2);
        DefineUnit("inch", 0.0254, {{m, 0, 1}});
    }
    Uid m = NULL_UID, ft = NULL_UID;
};

TEST_F(RenameTest, RenameShowsTheUnitAndTakesNothingFromTheStack) {
    Push(Real(9, m));
    editingIndex = FindUnitByName("foot");
    CDefineUnitLogic dlg;
    EXPECT_TRUE(dlg.renaming());
    EXPECT_EQ(dlg.initialName(), "foot");
    EXPECT_EQ(dlg.definitionText(), "0.3048 m");
    EXPECT_EQ(dlg.categories().selected, -1);  // slot 2 is not named
    EXPECT_EQ(Depth(), 1);
    // Nothing selected keeps the unit's category.
    EXPECT_TRUE(dlg.ok("Foot", -1));
    const int index = FindUnitByName("Foot");
    ASSERT_GT(index, 0);
    EXPECT_EQ(MainDb()->uid(index), ft);
    EXPECT_EQ(CategoryOfRecord(index), 2);
    EXPECT_EQ(UnitMagnitude(index), 0.3048);
    EXPECT_EQ(FindUnitByName("foot"), 0);
    EXPECT_EQ(editingIndex, 0);
    EXPECT_FALSE(assignMode);
    EXPECT_EQ(Depth(), 1);
    EXPECT_EQ(refreshes, 1);
}

TEST_F(RenameTest, RenameToAnotherUnitsNameStaysInRenameMode) {
    const int index = FindUnitByName("foot");
    editingIndex = index;
    CDefineUnitLogic dlg;
    EXPECT_FALSE(dlg.ok("inch", 0));
    EXPECT_TRUE(t.win.shownText("There is already a unit with that name."));
    EXPECT_EQ(editingIndex, index);
    EXPECT_TRUE(dlg.ok("ft", 0));
    EXPECT_GT(FindUnitByName("ft"), 0);
    EXPECT_EQ(CategoryOfRecord(FindUnitByName("ft")), 0);
}

TEST_F(RenameTest, CancelLeavesTheUnitAndItsDefinition) {
    const Uid def = UnitDefinition(FindUnitByName("foot"));
    editingIndex = FindUnitByName("foot");
    {
        CDefineUnitLogic dlg;
        dlg.cancel();
    }
    EXPECT_EQ(editingIndex, 0);
    const int index = FindUnitByName("foot");
    ASSERT_GT(index, 0);
    EXPECT_EQ(UnitDefinition(index), def);
    EXPECT_EQ(Depth(), 0);
    EXPECT_EQ(refreshes, 0);
}

TEST_F(RenameTest, TheEntryLineShowsTheNewName) {
    keyDigit(3);
    const Uid key = ExpressionOf(ft);
    attachUnit(key);  // borrowed, as from a unit button
    DeleteExpression(key);
    EXPECT_NE(fieldText().find("foot"), std::string::npos);
    editingIndex = FindUnitByName("foot");
    CDefineUnitLogic dlg;
    EXPECT_TRUE(isEntryOpen());  // renaming never commits the line
    EXPECT_TRUE(dlg.ok("feet", -1));
    EXPECT_NE(fieldText().find("feet"), std::string::npos) << fieldText();
    EXPECT_EQ(fieldText().find("foot"), std::string::npos);
}

}  // namespace
}  // namespace kiv
