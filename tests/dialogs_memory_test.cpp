#include <gtest/gtest.h>

#include "app/core/appevent.h"
#include "app/core/calctext.h"
#include "app/core/memorydlg.h"
#include "engine/arith.h"
#include "engine/integer.h"
#include "engine/stack.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "units/algebra.h"
#include "units/unitrec.h"
#include "units/unittext.h"

namespace kiv {
namespace {

class MemoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CMemoryDlgLogic::ResetRememberedSelection();
        SetAppEventHandler([this](int code, int) {
            if (code == 4000) ++refreshes;
        });
        metre = CreateUnit("m", 0, NULL_UID, 1);
    }
    void TearDown() override {
        SetAppEventHandler(nullptr);
        ExpectOwnershipSound();
    }
    Value Metres(double n) { return Value::Real(n, ExpressionOf(metre)); }
    TestDb t;
    Uid metre = NULL_UID;
    int refreshes = 0;
};

TEST_F(MemoryTest, StoreMovesXIntoTheRegisterAndIsListedNextTime) {
    Push(Metres(5));
    CMemoryDlgLogic dlg(200);
    EXPECT_TRUE(dlg.store(4));
    EXPECT_EQ(Depth(), 0);
    EXPECT_EQ(refreshes, 1);
    const Value m = State::memory(4);
    EXPECT_EQ(m.real(), 5.0);
    EXPECT_EQ(ExpressionText(m.unit()), "m");
    // The next opening lists it and selects the register used last.
    CMemoryDlgLogic again(200);
    EXPECT_EQ(CMemoryDlgLogic::RememberedSelection(), 4);
    const auto lines = again.lines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[4].substr(0, 2), "4\t");
    EXPECT_NE(lines[4].find("5 m"), std::string::npos) << lines[4];
    EXPECT_EQ(lines[0], "0\t0");
}

TEST_F(MemoryTest, StoreWithoutSelectionOrOnEmptyStackStaysOpen) {
    CMemoryDlgLogic dlg(200);
    EXPECT_FALSE(dlg.store(-1));
    EXPECT_TRUE(t.win.messages.empty());
    EXPECT_FALSE(dlg.store(2));
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0].text, "Not enough numbers on the stack.");
    EXPECT_EQ(refreshes, 0);
}

TEST_F(MemoryTest, StoreForgetsUndoAndReplacesTheOldUnit) {
    SetMemoryRegister(1, Metres(2));
    Push(Metres(3));
    Push(Metres(4));
    Add();
    EXPECT_EQ(State::savedCount(), 2);
    CMemoryDlgLogic dlg(200);
    EXPECT_TRUE(dlg.store(1));
    EXPECT_EQ(State::savedCount(), 0);
    EXPECT_EQ(State::memory(1).real(), 7.0);
}

TEST_F(MemoryTest, RecallCopiesAndLeavesTheRegister) {
    SetMemoryRegister(3, Metres(5));
    CMemoryDlgLogic dlg(200);
    EXPECT_TRUE(dlg.recall(3));
    ASSERT_EQ(Depth(), 1);
    const Value x = State::stackEntry(0);
    EXPECT_EQ(x.real(), 5.0);
    EXPECT_NE(x.unit(), State::memory(3).unit());  // each owns one
    EXPECT_EQ(ExpressionText(x.unit()), "m");
    EXPECT_EQ(ExpressionText(State::memory(3).unit()), "m");
    EXPECT_FALSE(dlg.recall(-1));
}

TEST_F(MemoryTest, ClearSelectionAndClearAllUseTheZeroOfTheMode) {
    SetMemoryRegister(2, Metres(1));
    SetMemoryRegister(5, Metres(2));
    CMemoryDlgLogic dlg(200);
    dlg.clearSelection(2);
    EXPECT_EQ(State::memory(2).real(), 0.0);
    EXPECT_EQ(State::memory(2).unit(), NULL_UID);
    EXPECT_EQ(State::memory(5).real(), 2.0);
    dlg.clearAll();
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(State::memory(i).isReal()) << i;
        EXPECT_EQ(State::memory(i).unit(), NULL_UID) << i;
    }
    SwitchRadix(16);
    SetMemoryRegister(7, Value::Int(Word{{9}}.b));
    dlg.clearAll();
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(State::memory(i).isInt()) << i;
        EXPECT_EQ(State::memory(i).word()[0], 0) << i;
    }
}

TEST_F(MemoryTest, DeletingAUnitUsedByARegisterKeepsTheNumber) {
    SetMemoryRegister(3, Metres(5));
    t.win.answers.push_back(Answer::Yes);
    ASSERT_TRUE(DeleteUnit(FindUnitByName("m")));
    EXPECT_EQ(State::memory(3).real(), 5.0);
    EXPECT_EQ(State::memory(3).unit(), NULL_UID);
}

TEST_F(MemoryTest, LinesFitTheValueWidthWhateverTheDisplaySettingsStored) {
    SetMemoryRegister(0, Metres(1234567.891));
    SetMemoryRegister(1, Value::Real(-0.000012345678, NULL_UID));
    SetMemoryRegister(2, Value::Real(9.87654321e250, ExpressionOf(metre)));
    // What Display preferences can store: any low byte, 1-digit groups.
    for (int precision : {0, 1, 15, 44, 255}) {
        State::setPrecision(uint8_t(precision));
        State::setGroupSize(0, 1);
        CMemoryDlgLogic dlg(120);
        const auto lines = dlg.lines();
        ASSERT_EQ(lines.size(), 10u);
        for (int i = 0; i < 3; ++i) {
            const std::string& line = lines[size_t(i)];
            ASSERT_GT(line.size(), 2u) << precision;
            const std::string value = line.substr(2);
            EXPECT_LE(MeasureText(value.c_str(), int(value.size()), ListFontPair()), 120)
                << precision << ": " << value;
        }
    }
}

}  // namespace
}  // namespace kiv
