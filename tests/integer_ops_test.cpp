// The integer keypad operations on the stack (operation frame, failures,
// the overflow warning), the radix switch and the word-size change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/integer.h"
#include "engine/stack.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

const char kOverflowText[] = "Result has overflowed the word size.";

class IntegerOps : public ::testing::Test {
  protected:
    void SetUp() override {
        State::setRadix(10);
        State::setWarnOverflow(1);
        Mode(8, false);
    }
    void TearDown() override { CheckOwnership(); }
    void CheckOwnership() { ExpectOwnershipSound(); }

    void Mode(int bits, bool isSigned) {
        State::setWordSize(uint8_t(bits));
        State::setSigned(isSigned ? 1 : 0);
    }
    static Value IntV(uint64_t v) {
        uint8_t b[16] = {};
        for (int i = 0; i < 8; ++i) b[i] = uint8_t(v >> (8 * i));
        return Value::Int(b);
    }
    void PushInts(std::initializer_list<uint64_t> vs) {
        for (uint64_t v : vs) ASSERT_TRUE(Push(IntV(v)));
    }
    // Level 0 = X, read at the current word size.
    uint64_t Level(int n) {
        Value v;
        EXPECT_TRUE(Peek(n, &v));
        EXPECT_TRUE(v.isInt());
        int bytes = State::wordSize() / 8;
        uint64_t r = 0;
        for (int i = (bytes > 8 ? 8 : bytes) - 1; i >= 0; --i) r = (r << 8) | v.word()[i];
        return r;
    }
    std::vector<uint64_t> Stack() {
        std::vector<uint64_t> s;
        for (int i = Depth() - 1; i >= 0; --i) s.push_back(Level(i));
        return s;  // bottom first
    }
    int Shown(const std::string& text) {
        int c = 0;
        for (const auto& m : db.win.messages)
            if (m.text.find(text) != std::string::npos) ++c;
        return c;
    }
    TestDb db;
};

TEST_F(IntegerOps, DocumentedArithmeticWithWarning) {
    struct Case {
        const char* name;
        bool isSigned;
        uint64_t y, x;
        IntOp op;
        uint64_t want;
        bool warns;
    } cases[] = {
        {"u8 200 + 100", false, 200, 100, IntOp::Add, 44, true},
        {"u8 5 - 7", false, 5, 7, IntOp::Subtract, 254, true},
        {"u8 7 - 0", false, 7, 0, IntOp::Subtract, 7, false},
        {"s8 100 + 100", true, 100, 100, IntOp::Add, 0xC8, true},
        {"s8 -128 - 1", true, 0x80, 1, IntOp::Subtract, 127, true},
        {"s8 0 x -5", true, 0, 0xFB, IntOp::Multiply, 0, false},
        {"s8 -16 x 8", true, 0xF0, 8, IntOp::Multiply, 0x80, false},
        {"u8 16 x 16", false, 16, 16, IntOp::Multiply, 0, true},
        {"s8 -10 / 5", true, 0xF6, 5, IntOp::Divide, 0xFE, false},
        {"s8 -10 mod 5", true, 0xF6, 5, IntOp::Mod, 0, false},
        {"s8 -7 mod 2", true, 0xF9, 2, IntOp::Mod, 0xFF, false},
        {"s8 -128 / -1", true, 0x80, 0xFF, IntOp::Divide, 0x80, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearStack();
        db.win.clearMessages();
        Mode(8, c.isSigned);
        PushInts({0x11, c.y, c.x});
        ApplyIntOp(c.op, false);
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{0x11, c.want}));
        EXPECT_EQ(Shown(kOverflowText), c.warns ? 1 : 0);
        EXPECT_EQ(db.win.messages.size(), c.warns ? 1u : 0u);
        // The result stands and the operation is undoable.
        EXPECT_EQ(State::savedCount(), 2);
        Undo();
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{0x11, c.y, c.x}));
    }
}

TEST_F(IntegerOps, OverflowWarningOffKeepsResultSilently) {
    State::setWarnOverflow(0);
    PushInts({200, 100});
    ApplyIntOp(IntOp::Add, false);
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{44}));
    EXPECT_TRUE(db.win.messages.empty());
}

TEST_F(IntegerOps, DivideByZeroRestoresOperands) {
    for (IntOp op : {IntOp::Divide, IntOp::Mod}) {
        ClearStack();
        db.win.clearMessages();
        PushInts({9, 0, 0});
        ApplyIntOp(op, false);
        EXPECT_TRUE(db.win.shownText("Cannot divide by zero."));
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{9, 0, 0}));
        EXPECT_EQ(State::savedCount(), 0);
    }
}

TEST_F(IntegerOps, MissingArgumentLeavesStack) {
    PushInts({5});
    ApplyIntOp(IntOp::Add, false);
    EXPECT_TRUE(db.win.shownText("Not enough numbers on the stack."));
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{5}));
    db.win.clearMessages();
    ApplyIntOp(IntOp::ShiftLeft, true);
    EXPECT_TRUE(db.win.shownText("Not enough numbers on the stack."));
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{5}));
    ClearStack();
    db.win.clearMessages();
    ApplyIntOp(IntOp::Not, false);
    EXPECT_TRUE(db.win.shownText("Not enough numbers on the stack."));
    EXPECT_EQ(Depth(), 0);
}

TEST_F(IntegerOps, LogicalAndOneArgument) {
    struct Case {
        const char* name;
        IntOp op;
        bool alt;
        uint64_t want;
    } two[] = {
        {"and", IntOp::And, false, 0x88}, {"or", IntOp::Or, false, 0xEE},
        {"xor", IntOp::Xor, false, 0x66}, {"and~", IntOp::And, true, 0x44},
        {"or~", IntOp::Or, true, 0xDD},   {"xor~", IntOp::Xor, true, 0x99},
    };
    for (const auto& c : two) {
        SCOPED_TRACE(c.name);
        ClearStack();
        PushInts({0xCC, 0xAA});
        ApplyIntOp(c.op, c.alt);
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{c.want}));
    }
    struct One {
        const char* name;
        int bits;
        bool isSigned;
        uint64_t x;
        IntOp op;
        bool alt;
        uint64_t want;
    } one[] = {
        {"not", 8, false, 0x0F, IntOp::Not, false, 0xF0},
        {"+/- 1", 8, true, 1, IntOp::Negate, false, 0xFF},
        {"+/- MIN", 8, true, 0x80, IntOp::Negate, false, 0x80},
        {"bswp", 16, false, 0x1234, IntOp::ByteSwap, false, 0x3412},
        {"s> signed", 16, true, 0x8000, IntOp::ShiftRight, false, 0xC000},
        {"s> unsigned", 16, false, 0x8000, IntOp::ShiftRight, false, 0x4000},
        {"s<", 16, true, 0xC001, IntOp::ShiftLeft, false, 0x8002},
        {"r<", 8, false, 0x81, IntOp::RotateLeft, false, 0x03},
        {"r>", 8, false, 0x81, IntOp::RotateRight, false, 0xC0},
        {"m> 3", 8, false, 3, IntOp::MaskLow, false, 0x07},
        {"m< 3", 8, false, 3, IntOp::MaskHigh, false, 0xE0},
        {"m> 99 all", 8, false, 99, IntOp::MaskLow, false, 0xFF},
    };
    for (const auto& c : one) {
        SCOPED_TRACE(c.name);
        ClearStack();
        db.win.clearMessages();
        Mode(c.bits, c.isSigned);
        PushInts({7, c.x});
        ApplyIntOp(c.op, c.alt);
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{7, c.want}));
        EXPECT_TRUE(db.win.messages.empty());  // negate never warns
        EXPECT_EQ(State::savedCount(), 1);
        Undo();
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{7, c.x}));
    }
}

TEST_F(IntegerOps, TwoArgumentShiftsRotatesMasks) {
    struct Case {
        const char* name;
        bool isSigned;
        uint64_t y, x;
        IntOp op;
        uint64_t want;
    } cases[] = {
        {"r2< by 9", false, 0x81, 9, IntOp::RotateLeft, 0x03},
        {"r2> by 1", false, 0x81, 1, IntOp::RotateRight, 0xC0},
        {"s2< by 3", false, 0x21, 3, IntOp::ShiftLeft, 0x08},
        {"s2> by 8 signed", true, 0x80, 8, IntOp::ShiftRight, 0xFF},
        {"s2> by -1 is left", false, 0x21, 0xFF /* count -1 */, IntOp::ShiftRight, 0x42},
        {"m2> p=4 c=2", false, 4, 2, IntOp::MaskLow, 0x30},
        {"m2< p=1 c=2 unsigned", false, 1, 2, IntOp::MaskHigh, 0x60},
        {"m2< p=1 c=2 signed fills", true, 1, 2, IntOp::MaskHigh, 0xE0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearStack();
        Mode(8, c.isSigned);
        PushInts({0x5A, c.y, c.x});
        ApplyIntOp(c.op, true);
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{0x5A, c.want}));
        EXPECT_EQ(State::savedCount(), 2);
        Undo();
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{0x5A, c.y, c.x}));
    }
}

TEST_F(IntegerOps, CountTooLargeRestoresOperands) {
    Mode(64, false);
    struct Case {
        const char* name;
        uint64_t y, x;
        IntOp op;
    } cases[] = {
        {"s2< count 2^31", 1, 0x80000000ull, IntOp::ShiftLeft},
        {"r2> count 2^40", 1, 1ull << 40, IntOp::RotateRight},
        {"m2> count too large", 4, 1ull << 33, IntOp::MaskLow},
        {"m2< position too large", 1ull << 35, 2, IntOp::MaskHigh},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearStack();
        db.win.clearMessages();
        PushInts({3, c.y, c.x});
        ApplyIntOp(c.op, true);
        EXPECT_TRUE(db.win.shownText("Number is too large."));
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{3, c.y, c.x}));
        EXPECT_EQ(State::savedCount(), 0);
    }
    // One-argument mask.
    ClearStack();
    db.win.clearMessages();
    PushInts({1ull << 31});
    ApplyIntOp(IntOp::MaskLow, false);
    EXPECT_TRUE(db.win.shownText("Number is too large."));
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{1ull << 31}));
    EXPECT_EQ(State::savedCount(), 0);
}

TEST_F(IntegerOps, RadixSwitchConvertsStackAndMemories) {
    State::setRadix(0);
    Mode(8, true);
    for (double d : {2.5, -2.5, -0.3}) ASSERT_TRUE(Push(Value::Real(d)));
    State::setMemory(0, Value::Real(-1.0));
    State::setUnitKeypad(1);
    SaveArguments(1);
    SwitchRadix(16);
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{3, 0xFD, 0}));
    // The question for the three changed values; -0.3 gives 0 without warning.
    EXPECT_TRUE(db.win.messages.size() == 1 && db.win.shownText("changes 3 values"));
    Value m = State::memory(0);
    EXPECT_TRUE(m.isInt());
    EXPECT_EQ(m.word()[0], 0xFF);
    EXPECT_EQ(State::radix(), 16);
    EXPECT_EQ(State::savedCount(), 0);
    EXPECT_FALSE(State::unitKeypad());

    // Between integer radixes the bits stay.
    SwitchRadix(2);
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{3, 0xFD, 0}));
    EXPECT_EQ(db.win.messages.size(), 1u);

    // Back to floating point, read with the signed setting.
    SwitchRadix(0);
    ASSERT_EQ(Depth(), 3);
    std::vector<double> got;
    for (int i = 2; i >= 0; --i) {
        Value v;
        ASSERT_TRUE(Peek(i, &v));
        ASSERT_TRUE(v.isReal());
        EXPECT_EQ(v.unit(), NULL_UID);
        got.push_back(v.real());
    }
    EXPECT_EQ(got, (std::vector<double>{3.0, -3.0, 0.0}));
    EXPECT_EQ(State::memory(0).real(), -1.0);
    EXPECT_EQ(State::radix(), 0);
}

TEST_F(IntegerOps, RadixSwitchDeletesUnits) {
    UnitTable t = MakeUnitTable();
    State::setRadix(0);
    ASSERT_TRUE(Push(Value::Real(7.4, ExpressionOf(t.m))));
    ASSERT_TRUE(Push(Value::Real(2.0, ExpressionOf(t.s, 0, -1))));
    State::setMemory(2, Value::Real(5.0, ExpressionOf(t.kg)));
    SaveArguments(2);  // the saved copies are forgotten by the switch
    ASSERT_EQ(State::savedCount(), 2);
    SwitchRadix(10);
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{7, 2}));
    EXPECT_TRUE(State::memory(2).isInt());
    EXPECT_EQ(State::memory(2).word()[0], 5);
    EXPECT_EQ(State::savedCount(), 0);
}

TEST_F(IntegerOps, RealArgumentsAreConsumed) {
    // A real that reached the stack in integer mode is taken as its rounded
    // value, and its unit is not left behind.
    UnitTable t = MakeUnitTable();
    ASSERT_TRUE(Push(Value::Real(6.0, ExpressionOf(t.m))));
    PushInts({3});
    ApplyIntOp(IntOp::Add, false);
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{9}));
}

TEST_F(IntegerOps, RadixSwitchWarnsOnceOnOverflow) {
    State::setRadix(0);
    Mode(8, false);
    ASSERT_TRUE(Push(Value::Real(300.0)));
    ASSERT_TRUE(Push(Value::Real(200.0)));  // fits unsigned and signed alike
    State::setMemory(3, Value::Real(-1000.0));
    SwitchRadix(10);
    EXPECT_EQ(Shown(kOverflowText), 1);
    EXPECT_EQ(db.win.messages.size(), 2u);  // the question first
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{300 & 0xFF, 200}));
}

TEST_F(IntegerOps, RadixOutOfRangeRefused) {
    PushInts({0x42});
    SwitchRadix(37);
    EXPECT_TRUE(db.win.shownText("Base must be between 2 and 36."));
    EXPECT_EQ(State::radix(), 10);
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{0x42}));
}

TEST_F(IntegerOps, WordSizeShrinkAndGrow) {
    struct Case {
        const char* name;
        bool isSigned;
        int from, to;
        uint64_t before, after;
        bool warns;
    } cases[] = {
        {"16->8 0x0100 lost", false, 16, 8, 0x0100, 0, true},
        {"16->8 0x00FF kept", true, 16, 8, 0x00FF, 0xFF, false},
        {"16->8 -1 signed loses sign bits", true, 16, 8, 0xFFFF, 0xFF, true},
        {"8->16 0xFF signed", true, 8, 16, 0xFF, 0xFFFF, false},
        {"8->16 0xFF unsigned", false, 8, 16, 0xFF, 0x00FF, false},
        {"32->64 negative", true, 32, 64, 0x80000000, 0xFFFFFFFF80000000ull, false},
        {"8->128 signed", true, 8, 128, 0x80, 0xFFFFFFFFFFFFFF80ull, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearStack();
        db.win.clearMessages();
        Mode(c.from, c.isSigned);
        // The bytes above the old word have no meaning: fill them with junk.
        Value v = IntV(c.before);
        for (int i = c.from / 8; i < 16; ++i) v.word()[i] = 0xA5;
        ASSERT_TRUE(Push(v));
        ASSERT_TRUE(Push(v));
        State::setMemory(9, v);
        ChangeWordSize(c.to);
        EXPECT_EQ(State::wordSize(), c.to);
        EXPECT_EQ(Stack(), (std::vector<uint64_t>{c.after, c.after}));
        EXPECT_EQ(Shown(kOverflowText), c.warns ? 1 : 0);
        Value m = State::memory(9);
        uint64_t mv = 0;
        for (int i = (c.to > 64 ? 8 : c.to / 8) - 1; i >= 0; --i) mv = (mv << 8) | m.word()[i];
        EXPECT_EQ(mv, c.after);
        if (c.to == 128) {
            for (int i = 8; i < 16; ++i) EXPECT_EQ(m.word()[i], 0xFF);
        }
    }
}

TEST_F(IntegerOps, WordSizeChangeRefitsSavedArguments) {
    Mode(8, true);
    PushInts({0xFF, 0xFF});
    ApplyIntOp(IntOp::Add, false);  // -1 + -1 = -2
    ChangeWordSize(16);
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{0xFFFE}));
    Undo();
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{0xFFFF, 0xFFFF}));
}

TEST_F(IntegerOps, WordSizeInvalidIgnored) {
    Mode(16, false);
    PushInts({0x1234});
    ChangeWordSize(24);
    EXPECT_EQ(State::wordSize(), 16);
    EXPECT_EQ(Stack(), (std::vector<uint64_t>{0x1234}));
}

}  // namespace
}  // namespace kiv
