#include <gtest/gtest.h>

#include "app/core/appevent.h"
#include "app/core/prefsdlg.h"
#include "engine/stack.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"

namespace kiv {
namespace {

class PrefsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetAppEventHandler([this](int code, int) {
            if (code == 4000) ++refreshes;
        });
    }
    void TearDown() override {
        SetAppEventHandler(nullptr);
        ExpectOwnershipSound();
    }
    TestDb t;
    int refreshes = 0;
};

TEST(IntField, AcceptsWhatDataExchangeAccepts) {
    struct Row {
        const char* text;
        bool ok;
        int value;
    } rows[] = {{"12", true, 12}, {" 7 ", true, 7}, {"-3", true, -3},
                {"+4", true, 4},  {"", false, 0},   {"1x", false, 0},
                {"x1", false, 0}, {"-", false, 0},  {"99999999999", false, 0}};
    for (const auto& r : rows) {
        int v = 0;
        EXPECT_EQ(ParseIntField(r.text, &v), r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(v, r.value) << r.text;
        }
    }
}

TEST_F(PrefsTest, OpenCopiesTheSettings) {
    State::setWarnOverflow(0);
    State::setAskClear(1);
    const PrefsFields f = CPrefsDlgLogic::Open();
    EXPECT_EQ(f.stackSize, "16");
    EXPECT_FALSE(f.warnOverflow);
    EXPECT_TRUE(f.simplifyUnits);
    EXPECT_FALSE(f.invTrigUnits);
    EXPECT_TRUE(f.askClear);
    EXPECT_FALSE(f.hpStack);
}

TEST_F(PrefsTest, CancelAfterChangingEveryFieldChangesNothing) {
    Push(Value::Real(5.0));
    const std::vector<uint8_t> before = MainDb()->bytes(0);
    PrefsFields f = CPrefsDlgLogic::Open();
    f.stackSize = "32";
    f.warnOverflow = !f.warnOverflow;
    f.simplifyUnits = !f.simplifyUnits;
    f.invTrigUnits = !f.invTrigUnits;
    f.askClear = !f.askClear;
    f.hpStack = !f.hpStack;
    DisplayPrefsFields d = CDisplayPrefsDlgLogic::Open();
    d.precision = "4";
    for (auto& g : d.groups) g = "1";
    // Cancel: the logic is never asked to write back.
    EXPECT_EQ(MainDb()->bytes(0), before);
    EXPECT_EQ(refreshes, 0);
}

TEST_F(PrefsTest, OkWritesEverySettingAndRefreshes) {
    PrefsFields f = CPrefsDlgLogic::Open();
    f.warnOverflow = false;
    f.simplifyUnits = false;
    f.invTrigUnits = true;
    f.askClear = true;
    EXPECT_EQ(CPrefsDlgLogic::Ok(f), 0);
    EXPECT_FALSE(State::warnOverflow());
    EXPECT_FALSE(State::simplifyUnits());
    EXPECT_TRUE(State::invTrigUnits());
    EXPECT_TRUE(State::askClear());
    EXPECT_EQ(refreshes, 1);
}

TEST_F(PrefsTest, SameStackSizeTouchesNothing) {
    Push(Value::Real(1.0));
    Push(Value::Real(2.0));
    const std::vector<uint8_t> before = MainDb()->bytes(0);
    EXPECT_EQ(CPrefsDlgLogic::Ok(CPrefsDlgLogic::Open()), 0);
    EXPECT_EQ(MainDb()->bytes(0), before);
}

TEST_F(PrefsTest, ShrinkingDropsTheOldestEntries) {
    for (int i = 1; i <= 6; ++i) Push(Value::Real(i));
    PrefsFields f = CPrefsDlgLogic::Open();
    f.stackSize = "4";
    EXPECT_EQ(CPrefsDlgLogic::Ok(f), 0);
    EXPECT_EQ(State::stackSize(), 4);
    EXPECT_EQ(MainDb()->size(0), 896u);
    ASSERT_EQ(Depth(), 4);
    EXPECT_EQ(State::stackEntry(0).real(), 3.0);
    EXPECT_EQ(State::stackEntry(3).real(), 6.0);
}

TEST_F(PrefsTest, HpModeWithTwoEntriesAndSizeFourFillsWithZeros) {
    Push(Value::Real(7.0));
    Push(Value::Real(8.0));
    PrefsFields f = CPrefsDlgLogic::Open();
    f.stackSize = "4";
    f.hpStack = true;
    EXPECT_EQ(CPrefsDlgLogic::Ok(f), 0);
    ASSERT_EQ(Depth(), 4);
    EXPECT_EQ(State::stackEntry(0).real(), 0.0);
    EXPECT_EQ(State::stackEntry(1).real(), 0.0);
    EXPECT_EQ(State::stackEntry(2).real(), 7.0);
    EXPECT_EQ(State::stackEntry(3).real(), 8.0);
}

TEST_F(PrefsTest, StackSizeOutOfRangeIsRefusedAndNothingWritten) {
    for (const char* text : {"3", "129", "0", "-5", "70000"}) {
        t.win.clearMessages();
        PrefsFields f = CPrefsDlgLogic::Open();
        f.stackSize = text;
        f.askClear = true;
        EXPECT_EQ(CPrefsDlgLogic::Ok(f), 1001) << text;
        ASSERT_EQ(t.win.messages.size(), 1u);
        EXPECT_EQ(t.win.messages[0].text, "Stack size should be between 4 and 128.");
        EXPECT_EQ(State::stackSize(), 16);
        EXPECT_FALSE(State::askClear());
    }
    EXPECT_EQ(refreshes, 0);
}

TEST_F(PrefsTest, NonIntegerStackSizeAsksForAnInteger) {
    PrefsFields f = CPrefsDlgLogic::Open();
    f.stackSize = "abc";
    f.warnOverflow = false;
    EXPECT_EQ(CPrefsDlgLogic::Ok(f), 1001);
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0].text, "Please enter an integer.");
    EXPECT_TRUE(State::warnOverflow());
}

TEST_F(PrefsTest, DisplayPrefsStoreLowEightBits) {
    DisplayPrefsFields d = CDisplayPrefsDlgLogic::Open();
    EXPECT_EQ(d.precision, "10");
    EXPECT_EQ(d.groups[0], "3");
    EXPECT_EQ(d.groups[1], "4");
    EXPECT_EQ(d.groups[4], "8");
    d.precision = "6";
    d.groups = {"300", "2", "5", "1", "16", "7"};
    EXPECT_EQ(CDisplayPrefsDlgLogic::Ok(d), 0);
    EXPECT_EQ(State::floatPrecision(), 6);
    EXPECT_EQ(State::groupSize(0), 44);
    EXPECT_EQ(State::groupSize(16), 2);
    EXPECT_EQ(State::groupSize(10), 5);
    EXPECT_EQ(State::groupSize(8), 1);
    EXPECT_EQ(State::groupSize(2), 16);
    EXPECT_EQ(State::groupSize(7), 7);
    EXPECT_EQ(refreshes, 1);
}

TEST_F(PrefsTest, DisplayPrefsRefuseTheFirstBadFieldInExchangeOrder) {
    DisplayPrefsFields d = CDisplayPrefsDlgLogic::Open();
    d.groups[0] = "x";  // float, 1018
    d.groups[4] = "y";  // binary, 1022, exchanged before 1018
    EXPECT_EQ(CDisplayPrefsDlgLogic::Ok(d), 1022);
    EXPECT_EQ(State::groupSize(0), 3);
    EXPECT_EQ(refreshes, 0);
}

}  // namespace
}  // namespace kiv
