#include <gtest/gtest.h>

#include "app/core/appevent.h"
#include "app/core/definedlg.h"
#include "app/core/memorydlg.h"
#include "app/core/unitsdlg.h"
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

class UnitsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetKeypadState();
        editingIndex = 0;
        categoryFilter = kCategoryAll;
        SetAppEventHandler([this](int code, int) {
            if (code == 4000) ++refreshes;
        });
        m = DefineUnit("m", 1, {});
        s = DefineUnit("s", 1, {}, 3);
        ft = DefineUnit("ft", 0.3048, {{m, 0, 1}}, 3);
        DefineUnit("Mile", 5280, {{ft, 0, 1}});
        DefineUnit("min", 60, {{s, 0, 1}}, 3);
        DefineUnit("kg", 1, {});
    }
    void TearDown() override {
        SetAppEventHandler(nullptr);
        categoryFilter = kCategoryAll;
        EXPECT_EQ(editingIndex, 0);
        ExpectOwnershipSound();
    }
    static std::vector<std::string> Names(const CUnitsDlgLogic& dlg) {
        std::vector<std::string> out;
        for (const UnitLine& l : dlg.lines()) out.push_back(l.text.substr(0, l.text.find('\t')));
        return out;
    }
    static int Row(const CUnitsDlgLogic& dlg, const std::string& name) {
        const auto names = Names(dlg);
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return int(i);
        return -1;
    }
    static Value Top() {
        Value v;
        EXPECT_TRUE(Peek(0, &v));
        return v;
    }
    TestDb t;
    Uid m = NULL_UID, s = NULL_UID, ft = NULL_UID;
    int refreshes = 0;
};

TEST_F(UnitsDialogTest, ListsEveryUnitInNameOrderWithItsDefinition) {
    CUnitsDlgLogic dlg(400, {});
    EXPECT_EQ(Names(dlg), (std::vector<std::string>{"ft", "kg", "m", "Mile", "min", "s"}));
    EXPECT_EQ(dlg.lines()[0].text, "ft\t0.3048 m");
    EXPECT_EQ(dlg.lines()[1].text, "kg\t(Base unit)");
    EXPECT_EQ(dlg.lines()[3].text, "Mile\t5,280 ft");
    for (const UnitLine& l : dlg.lines()) EXPECT_TRUE(IsUnitRecord(l.index));
    EXPECT_EQ(dlg.selection(), -1);
    // "All" first and selected, then the named categories, then the editor.
    const CategoryList& c = dlg.categories();
    ASSERT_EQ(c.items.size(), 3u);
    EXPECT_EQ(c.items[0].text, "All");
    EXPECT_EQ(c.items[0].data, 255);
    EXPECT_EQ(c.items[1].text, "Unfiled");
    EXPECT_EQ(c.items[2].text, "Edit Categories...");
    EXPECT_EQ(c.selected, 0);
}

TEST_F(UnitsDialogTest, TheCategoryFilterShowsOneCategoryAndIsKeptForTheRun) {
    MainDb()->setCategoryName(3, "Time");
    {
        CUnitsDlgLogic dlg(400, {});
        ASSERT_EQ(dlg.categories().items[2].data, 3);
        dlg.categoryChosen(3);
        EXPECT_EQ(Names(dlg), (std::vector<std::string>{"ft", "min", "s"}));
        EXPECT_EQ(dlg.categories().selected, 2);
        dlg.cancel();
    }
    EXPECT_EQ(refreshes, 0);  // nothing changed
    CUnitsDlgLogic again(400, {});
    EXPECT_EQ(categoryFilter, 3);
    EXPECT_EQ(Names(again), (std::vector<std::string>{"ft", "min", "s"}));
    again.categoryChosen(0);
    EXPECT_EQ(Names(again), (std::vector<std::string>{"kg", "m", "Mile"}));
    again.categoryChosen(255);
    EXPECT_EQ(again.lines().size(), 6u);
}

TEST_F(UnitsDialogTest, EditCategoriesFromTheListResetsTheFilterToAll) {
    categoryFilter = 3;
    int runs = 0;
    CUnitsDlgLogic dlg(400, {nullptr, [&] {
                                 ++runs;
                                 MainDb()->setCategoryName(3, "Time");
                             }});
    EXPECT_EQ(dlg.categories().selected, -1);  // slot 3 had no name
    dlg.categoryChosen(1000);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(categoryFilter, 255);
    EXPECT_EQ(dlg.categories().selected, 0);
    EXPECT_EQ(dlg.categories().items[2].text, "Time");
    EXPECT_EQ(dlg.lines().size(), 6u);
}

TEST_F(UnitsDialogTest, ALetterSelectsTheFirstUnitStartingWithItInEitherCase) {
    CUnitsDlgLogic dlg(400, {});
    dlg.selectByLetter('M');
    EXPECT_EQ(dlg.selection(), Row(dlg, "m"));
    dlg.selectByLetter('k');
    EXPECT_EQ(dlg.selection(), Row(dlg, "kg"));
    dlg.selectByLetter('z');  // no unit: the selection stays
    EXPECT_EQ(dlg.selection(), Row(dlg, "kg"));

    DeleteUnit(FindUnitByName("m"));  // Mile goes with it (defined through ft)
    unitDialogLetter = 'm';
    CUnitsDlgLogic handed(400, {});
    EXPECT_EQ(unitDialogLetter, 0);
    EXPECT_EQ(Names(handed)[size_t(handed.selection())], "min");
}

TEST_F(UnitsDialogTest, UseHandsTheUnitToTheEntryLine) {
    SetAppEventHandler([](int code, int) {
        if (code == 4000) onUnitChosen();
    });
    t.win.onDialog = [](Window::DialogKind kind) {
        ASSERT_EQ(kind, Window::DialogKind::Units);
        CUnitsDlgLogic dlg(400, {});
        const int handed = dlg.selection();
        ASSERT_GE(handed, 0);
        EXPECT_EQ(Names(dlg)[size_t(handed)], "ft");  // 'f' handed over
        dlg.select(-1);
        EXPECT_FALSE(dlg.use());
        EXPECT_EQ(chosenUnit, NULL_UID);
        dlg.select(handed);
        EXPECT_TRUE(dlg.use());
    };
    keyDigit(2);
    EXPECT_TRUE(onChar('f'));
    EXPECT_EQ(t.win.messages.front().text, "Please select an item first.");
    EXPECT_EQ(chosenUnit, NULL_UID);  // taken over by the main window
    EXPECT_EQ(fieldText(), "2 ft_");
    EXPECT_EQ(ExpressionText(State::entryUnit()), "ft");
}

TEST_F(UnitsDialogTest, DeleteAsksAndStripsTheUnitEverywhere) {
    Push(Value::Real(4, ExpressionOf(ft)));
    Push(Value::Real(9, ExpressionOf(m)));
    SetMemoryRegister(2, Value::Real(5, ExpressionOf(ft)));
    CUnitsDlgLogic dlg(400, {});
    dlg.remove();
    EXPECT_EQ(t.win.messages.back().text, "Please select an item first.");
    dlg.select(Row(dlg, "ft"));
    t.win.answers.push_back(Answer::No);
    dlg.remove();
    EXPECT_EQ(t.win.messages.back().text,
              "Delete that unit (ft), any other units that depend on it, and any references to "
              "those units on the stack?");
    EXPECT_EQ(dlg.lines().size(), 6u);
    dlg.remove();
    // ft and Mile (defined in ft) are gone; the same row now shows kg.
    EXPECT_EQ(Names(dlg), (std::vector<std::string>{"kg", "m", "min", "s"}));
    EXPECT_EQ(dlg.selection(), 0);
    Value v;
    ASSERT_TRUE(Peek(1, &v));
    EXPECT_EQ(v.real(), 4.0);
    EXPECT_EQ(v.unit(), NULL_UID);
    EXPECT_EQ(ExpressionText(Top().unit()), "m");
    EXPECT_EQ(State::memory(2).real(), 5.0);
    EXPECT_EQ(State::memory(2).unit(), NULL_UID);
    EXPECT_TRUE(dlg.stackChanged());
    dlg.cancel();
    EXPECT_EQ(refreshes, 1);
}

TEST_F(UnitsDialogTest, DeletingTheLastLineSelectsTheNewLast) {
    CUnitsDlgLogic dlg(400, {});
    dlg.select(Row(dlg, "s"));
    dlg.remove();  // s and min
    EXPECT_EQ(Names(dlg), (std::vector<std::string>{"ft", "kg", "m", "Mile"}));
    EXPECT_EQ(dlg.selection(), 3);
}

TEST_F(UnitsDialogTest, RenameRunsDefineUnitAndShowsTheNewName) {
    int runs = 0;
    std::string nameShown;
    UnitsDialogRunners runners;
    runners.defineUnit = [&] {
        ++runs;
        CDefineUnitLogic define;
        nameShown = define.initialName();
        if (runs == 1) {
            define.cancel();
            return false;
        }
        return define.ok("Foot", 3);
    };
    CUnitsDlgLogic dlg(400, runners);
    dlg.rename();  // no selection: the dialog does not open
    EXPECT_EQ(runs, 0);
    dlg.select(Row(dlg, "ft"));
    dlg.rename();
    EXPECT_EQ(nameShown, "ft");
    EXPECT_EQ(dlg.selection(), 0);  // kept after Cancel
    dlg.rename();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(Names(dlg), (std::vector<std::string>{"Foot", "kg", "m", "Mile", "min", "s"}));
    EXPECT_EQ(dlg.selection(), -1);
    EXPECT_EQ(dlg.lines()[3].text, "Mile\t5,280 Foot");
    EXPECT_EQ(editingIndex, 0);
    EXPECT_TRUE(dlg.stackChanged());
}

TEST_F(UnitsDialogTest, RedefineChangesOnlyTheMagnitude) {
    CUnitsDlgLogic dlg(400, {});
    dlg.select(Row(dlg, "ft"));
    dlg.redefine();
    EXPECT_EQ(t.win.messages.back().text, "Not enough numbers on the stack.");

    Push(Value::Real(0.305, ExpressionOf(m)));
    dlg.redefine();
    EXPECT_EQ(t.win.messages.back().text, "Redefine \"ft\" as \"0.305 m\"?");
    EXPECT_EQ(Depth(), 0);
    EXPECT_EQ(UnitMagnitude(FindUnitByName("ft")), 0.305);
    EXPECT_EQ(dlg.lines()[size_t(Row(dlg, "ft"))].text, "ft\t0.305 m");
    EXPECT_TRUE(dlg.stackChanged());
}

TEST_F(UnitsDialogTest, RedefineRefusedOrDeclinedPutsTheValueBack) {
    CUnitsDlgLogic dlg(400, {});
    dlg.select(Row(dlg, "ft"));
    Push(Value::Real(12, ExpressionOf(s)));
    SaveArguments(1);
    dlg.redefine();
    EXPECT_EQ(t.win.messages.back().text,
              "Canot redefine ft as \"12 s\".  You can change only the magnitude of a "
              "definition, not the units.");
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Top().real(), 12.0);
    EXPECT_EQ(ExpressionText(Top().unit()), "s");
    EXPECT_EQ(State::savedCount(), 0);
    Drop();

    Push(Value::Real(0.31, ExpressionOf(m)));
    t.win.answers.push_back(Answer::No);
    dlg.redefine();
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Top().real(), 0.31);
    EXPECT_EQ(UnitMagnitude(FindUnitByName("ft")), 0.3048);

    // A plain number cannot redefine a defined unit either.
    Drop();
    Push(Value::Real(3));
    dlg.redefine();
    EXPECT_TRUE(t.win.shownText("Canot redefine ft as \"(Base unit)\"."));
    EXPECT_EQ(Depth(), 1);
}

TEST_F(UnitsDialogTest, RedefineCommitsTheEntryLineFirst) {
    keyDigit(7);
    CUnitsDlgLogic dlg(400, {});
    dlg.select(Row(dlg, "kg"));
    dlg.redefine();  // 7 with no unit: a base unit stays a base unit
    EXPECT_FALSE(isEntryOpen());
    EXPECT_TRUE(t.win.shownText("Redefine \"kg\" as \"(Base unit)\"?"));
    EXPECT_EQ(Depth(), 0);
    EXPECT_EQ(UnitDefinition(FindUnitByName("kg")), NULL_UID);
}

TEST_F(UnitsDialogTest, ANarrowColumnCutsTheDefinition) {
    CUnitsDlgLogic wide(400, {});
    CUnitsDlgLogic narrow(40, {});
    const int row = Row(wide, "Mile");
    EXPECT_LT(narrow.lines()[size_t(row)].text.size(), wide.lines()[size_t(row)].text.size());
}

}  // namespace
}  // namespace kiv
