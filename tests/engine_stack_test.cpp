// The stack inside the state record, HP stack mode, Undo and the stack
// primitives, with unit ownership checked after every case.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "app/core/messages.h"
#include "engine/arith.h"
#include "engine/stack.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

class EngineStack : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u = MakeUnitTable();
    void TearDown() override { ExpectOwnershipSound(); }

    void PushReal(double d, Uid unit = NULL_UID) { ASSERT_TRUE(Push(Value::Real(d, unit))); }
    void PushMetres(double d) { PushReal(d, MakeExpr({{u.m, 0, 1}})); }
    // Numbers from the bottom (entry 0) to X.
    std::vector<double> Numbers() {
        std::vector<double> r;
        for (int i = 0; i <= State::stackTop(); ++i) r.push_back(State::stackEntry(i).real());
        return r;
    }
    Value Level(int n) {
        Value v;
        EXPECT_TRUE(Peek(n, &v));
        return v;
    }
    bool Shown(int id) {
        const std::string text = ComposeCodedMessage(id).text;
        for (const auto& m : db.win.messages)
            if (m.text == text) return true;
        return false;
    }
};

using Nums = std::vector<double>;

TEST_F(EngineStack, PushOntoFullStackDiscardsBottomAndItsUnit) {
    ASSERT_TRUE(SetStackSize(4));
    PushMetres(1);  // a, whose unit must be deleted when pushed off
    PushReal(2);
    PushReal(3);
    PushReal(4);
    PushReal(5);
    EXPECT_EQ(Numbers(), (Nums{2, 3, 4, 5}));
    EXPECT_EQ(Depth(), 4);
}

TEST_F(EngineStack, PopEmptyShows1302AndPeekOutOfRangeFails) {
    Value v;
    EXPECT_FALSE(Pop(&v));
    EXPECT_TRUE(Shown(MSG_NOT_ENOUGH));
    PushReal(7);
    EXPECT_FALSE(Peek(1, &v));
    EXPECT_FALSE(Peek(-1, &v));
    ASSERT_TRUE(Peek(0, &v));
    EXPECT_EQ(v.real(), 7);
    Value x;
    ASSERT_TRUE(Pop(&x));
    EXPECT_EQ(x.real(), 7);
    EXPECT_EQ(Depth(), 0);
}

TEST_F(EngineStack, HpModePopReplicatesBottomWithItsOwnUnit) {
    ASSERT_TRUE(SetStackSize(4));
    PushMetres(1);
    PushReal(2);
    PushReal(3);
    PushReal(4);
    SetHpStackMode(true);
    Value x;
    ASSERT_TRUE(Pop(&x));
    EXPECT_EQ(x.real(), 4);
    EXPECT_EQ(Numbers(), (Nums{1, 1, 2, 3}));
    const Value a0 = State::stackEntry(0), a1 = State::stackEntry(1);
    EXPECT_NE(a0.unit(), a1.unit());  // a copy owns a duplicate
    EXPECT_TRUE(ExpressionsEqual(a0.unit(), a1.unit()));
}

TEST_F(EngineStack, HpModeFillsWithZerosAndNeverRunsOut) {
    ASSERT_TRUE(SetStackSize(4));
    PushReal(8);
    PushReal(9);
    SetHpStackMode(true);
    EXPECT_EQ(Numbers(), (Nums{0, 0, 8, 9}));
    for (int i = 0; i < 6; ++i) Drop();
    EXPECT_EQ(Numbers(), (Nums{0, 0, 0, 0}));
    EXPECT_FALSE(Shown(MSG_NOT_ENOUGH));
    SetHpStackMode(false);
    EXPECT_EQ(Depth(), 4);  // turning it off changes no entry
}

TEST_F(EngineStack, ClearStackEmptiesOrFillsWithZerosInHpMode) {
    ASSERT_TRUE(SetStackSize(4));
    PushMetres(1);
    PushMetres(2);
    ClearStack();
    EXPECT_EQ(Depth(), 0);
    PushMetres(3);
    SetHpStackMode(true);
    ClearStack();
    EXPECT_EQ(Numbers(), (Nums{0, 0, 0, 0}));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(State::stackEntry(i).unit(), NULL_UID);
}

TEST_F(EngineStack, ShrinkingKeepsTopmostAndResizesRecord) {
    for (int i = 1; i <= 6; ++i) PushMetres(i);
    ASSERT_TRUE(SetStackSize(4));
    EXPECT_EQ(State::stackSize(), 4);
    EXPECT_EQ(State::recordSize(), StateRecordSize(4));
    EXPECT_EQ(Numbers(), (Nums{3, 4, 5, 6}));
    ASSERT_TRUE(SetStackSize(8));
    EXPECT_EQ(State::recordSize(), StateRecordSize(8));
    PushReal(7);
    EXPECT_EQ(Numbers(), (Nums{3, 4, 5, 6, 7}));
}

TEST_F(EngineStack, RollsAndExchange) {
    for (int i = 1; i <= 4; ++i) PushReal(i);
    RollDown();
    EXPECT_EQ(Numbers(), (Nums{4, 1, 2, 3}));
    RollUp();
    EXPECT_EQ(Numbers(), (Nums{1, 2, 3, 4}));
    ASSERT_TRUE(Exchange(3));
    EXPECT_EQ(Numbers(), (Nums{4, 2, 3, 1}));
    EXPECT_FALSE(Exchange(0));
    EXPECT_TRUE(Shown(MSG_NOT_ENOUGH));
    db.win.clearMessages();
    EXPECT_FALSE(Exchange(4));
    EXPECT_TRUE(Shown(MSG_NOT_ENOUGH));
    EXPECT_EQ(Numbers(), (Nums{4, 2, 3, 1}));
}

TEST_F(EngineStack, ReplaceTopIsClearedByPushPopAndExchangeButNotRolls) {
    PushReal(1);
    PushReal(2);
    struct Row {
        const char* name;
        void (*op)();
    };
    const Row rows[] = {
        {"push", [] { Push(Value::Real(3)); }},
        {"pop", [] { Drop(); }},
        {"exchange", [] { Exchange(1); }},
        {"failed exchange", [] { Exchange(9); }},
    };
    for (const Row& r : rows) {
        SetReplaceTop(true);
        r.op();
        EXPECT_FALSE(ReplaceTop()) << r.name;
    }
    SetReplaceTop(true);
    RollDown();
    EXPECT_TRUE(ReplaceTop());
    SetReplaceTop(false);
}

TEST_F(EngineStack, UndoAfterTwoArgumentOpRestoresUnitsExactlyThenBeeps) {
    PushReal(2, MakeExpr({{u.m, 3, 1}}));
    PushReal(3, MakeExpr({{u.s, 0, -1}, {u.kg, 0, 2}}));
    Multiply();
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(State::savedCount(), 2);
    Undo();
    ASSERT_EQ(Depth(), 2);
    EXPECT_EQ(Level(1).real(), 2);
    EXPECT_EQ(Components(Level(1).unit()), (std::vector<Component>{{u.m, 3, 1}}));
    EXPECT_EQ(Level(0).real(), 3);
    EXPECT_EQ(Components(Level(0).unit()), (std::vector<Component>{{u.s, 0, -1}, {u.kg, 0, 2}}));
    EXPECT_EQ(State::savedCount(), 0);
    EXPECT_EQ(db.win.beeps, 0);
    Undo();
    EXPECT_EQ(db.win.beeps, 1);
    EXPECT_EQ(Depth(), 2);
}

TEST_F(EngineStack, UndoInHpModeBringsArgumentsBackOnTop) {
    ASSERT_TRUE(SetStackSize(4));
    SetHpStackMode(true);
    PushReal(5);
    PushReal(6);
    Add();
    EXPECT_EQ(Numbers(), (Nums{0, 0, 0, 11}));
    Undo();
    EXPECT_EQ(Numbers(), (Nums{0, 0, 5, 6}));
}

TEST_F(EngineStack, SaveArgumentsNeedsEnoughDepth) {
    PushMetres(1);
    SaveArguments(2);
    EXPECT_EQ(State::savedCount(), 0);
    SaveArguments(1);
    EXPECT_EQ(State::savedCount(), 1);
    // The saved copy owns its own expression.
    EXPECT_NE(State::saved(0).unit(), Level(0).unit());
    ForgetSavedArguments();
    EXPECT_EQ(State::savedCount(), 0);
}

TEST_F(EngineStack, UndoAfterClearFindsEmptyStack) {
    PushReal(1);
    PushReal(2);
    Add();
    ClearStack();
    Undo();
    EXPECT_TRUE(Shown(MSG_NOT_ENOUGH));
    EXPECT_EQ(Depth(), 0);
    ForgetSavedArguments();
}

TEST_F(EngineStack, NonFiniteResultIsRefusedAndArgumentsRestored) {
    PushReal(1e308);
    PushReal(10);
    Multiply();
    EXPECT_TRUE(Shown(MSG_INVALID));
    EXPECT_EQ(Numbers(), (Nums{1e308, 10}));
    EXPECT_EQ(State::savedCount(), 0);
}

TEST_F(EngineStack, NonFinitePushWithNothingSavedLeavesStackAlone) {
    ASSERT_TRUE(SetStackSize(4));
    for (int i = 1; i <= 4; ++i) PushReal(i);
    const double bad[] = {std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()};
    for (double d : bad) {
        db.win.clearMessages();
        EXPECT_FALSE(Push(Value::Real(d, MakeExpr({{u.m, 0, 1}}))));
        EXPECT_TRUE(Shown(MSG_INVALID));
        EXPECT_EQ(Numbers(), (Nums{1, 2, 3, 4}));
    }
}

TEST_F(EngineStack, PopCountTruncatesRealsAndForgets) {
    const struct {
        const char* name;
        double x;
        int32_t want;
    } rows[] = {{"positive", 3.9, 3}, {"negative", -3.9, -3}, {"huge", 1e30, INT32_MAX}};
    for (const auto& r : rows) {
        PushReal(1);
        PushMetres(r.x);
        SaveArguments(1);
        int32_t c = 0;
        ASSERT_TRUE(PopCount(&c)) << r.name;
        EXPECT_EQ(c, r.want) << r.name;
        EXPECT_EQ(State::savedCount(), 0) << r.name;
        EXPECT_EQ(Depth(), 1) << r.name;
        Drop();
    }
}

TEST_F(EngineStack, PopCountOfIntegers) {
    State::setRadix(16);
    State::setWordSize(64);
    uint8_t w[16] = {};
    w[0] = 0xFB;  // -5 in 64 bits
    for (int i = 1; i < 8; ++i) w[i] = 0xFF;
    ASSERT_TRUE(Push(Value::Int(w)));
    int32_t c = 0;
    ASSERT_TRUE(PopCount(&c));
    EXPECT_EQ(c, -5);
    uint8_t big[16] = {};
    big[5] = 1;  // 2^40
    ASSERT_TRUE(Push(Value::Int(big)));
    EXPECT_FALSE(PopCount(&c));
    EXPECT_TRUE(Shown(MSG_TOO_LARGE));
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Level(0).word()[5], 1);
}

TEST_F(EngineStack, ZeroValueFollowsMode) {
    const Value real = ZeroValue();
    EXPECT_TRUE(real.isReal());
    EXPECT_EQ(real.real(), 0.0);
    EXPECT_EQ(real.unit(), NULL_UID);
    State::setRadix(10);
    const Value integer = ZeroValue();
    EXPECT_TRUE(integer.isInt());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(integer.word()[i], 0) << i;
}

TEST_F(EngineStack, StripUnitTouchesOnlyMatchingStackEntries) {
    const Uid e = MakeExpr({{u.m, 0, 1}});
    PushReal(1, e);
    PushMetres(2);
    SaveArguments(2);
    StripUnit(e);
    EXPECT_EQ(Level(1).unit(), NULL_UID);
    EXPECT_EQ(Level(1).real(), 1);
    EXPECT_NE(Level(0).unit(), NULL_UID);
    EXPECT_NE(State::saved(1).unit(), e);  // the saved copy has its own
    DeleteExpression(e);                   // as the unit deletion walk would
}

}  // namespace
}  // namespace kiv
