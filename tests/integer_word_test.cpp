// The word primitives on the documented 8- and 16-bit cases and the corners
// of conversion and counts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/integer.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace kiv {
namespace {

using u128 = unsigned __int128;

Word W(u128 v, int n) {
    Word w;
    for (int i = 0; i < n; ++i) w.b[i] = uint8_t(v >> (8 * i));
    return w;
}
u128 V(const Word& w, int n) {
    u128 v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | w.b[i];
    return v;
}

struct BinCase {
    const char* name;
    int n;
    bool isSigned;
    char op;  // + - * / %
    uint64_t a, b;
    uint64_t want;
    bool overflow;
};

TEST(IntegerWord, DocumentedArithmetic) {
    const BinCase cases[] = {
        {"u8 200+100", 1, false, '+', 200, 100, 44, true},
        {"u8 5-7", 1, false, '-', 5, 7, 254, true},
        {"u8 7-0", 1, false, '-', 7, 0, 7, false},
        {"s8 100+100", 1, true, '+', 100, 100, 0xC8 /* -56 */, true},
        {"s8 -128-1", 1, true, '-', 0x80, 1, 127, true},
        {"s8 0*-5", 1, true, '*', 0, 0xFB, 0, false},
        {"s8 -10/5", 1, true, '/', 0xF6, 5, 0xFE /* -2 */, false},
        {"s8 -10 mod 5", 1, true, '%', 0xF6, 5, 0, false},
        {"s8 -7/2", 1, true, '/', 0xF9, 2, 0xFD /* -3 */, false},
        {"s8 -7 mod 2", 1, true, '%', 0xF9, 2, 0xFF /* -1 */, false},
        {"s8 7 mod -2", 1, true, '%', 7, 0xFE, 1, false},
        {"s8 MIN/-1", 1, true, '/', 0x80, 0xFF, 0x80, false},
        {"s8 -1*-128 overflows", 1, true, '*', 0xFF, 0x80, 0x80, true},
        {"s8 -64*2 fits", 1, true, '*', 0xC0, 2, 0x80, false},
        {"s8 64*2 overflows", 1, true, '*', 0x40, 2, 0x80, true},
        {"u8 16*16 overflows", 1, false, '*', 16, 16, 0, true},
        {"u16 1000/7", 2, false, '/', 1000, 7, 142, false},
        {"u16 0xFFFF/0x0101", 2, false, '/', 0xFFFF, 0x0101, 0xFF, false},
        {"s16 MIN-(-1)", 2, true, '-', 0x8000, 0xFFFF, 0x8001, false},
        {"s16 0-MIN overflows", 2, true, '-', 0, 0x8000, 0x8000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Word a = W(c.a, c.n), b = W(c.b, c.n), r;
        bool ov = false;
        switch (c.op) {
            case '+':
                ov = WordAdd(a, b, &r, c.n, c.isSigned);
                break;
            case '-':
                ov = WordSubtract(a, b, &r, c.n, c.isSigned);
                break;
            case '*':
                ov = WordMultiply(a, b, &r, c.n, c.isSigned);
                break;
            case '/': {
                Word rem;
                ASSERT_TRUE(WordDivide(a, b, &r, &rem, c.n, c.isSigned));
                break;
            }
            case '%': {
                Word q;
                ASSERT_TRUE(WordDivide(a, b, &q, &r, c.n, c.isSigned));
                break;
            }
        }
        EXPECT_EQ(uint64_t(V(r, c.n)), c.want);
        EXPECT_EQ(ov, c.overflow);
    }
}

TEST(IntegerWord, DivideByZeroFails) {
    Word q, r;
    EXPECT_FALSE(WordDivide(W(0, 1), W(0, 1), &q, &r, 1, false));
    // Bytes above the word are not part of the divisor.
    Word b = W(0, 2);
    b.b[2] = 1;
    EXPECT_FALSE(WordDivide(W(5, 2), b, &q, &r, 2, true));
}

TEST(IntegerWord, BitOperations) {
    EXPECT_EQ(V(WordByteSwap(W(0x1234, 2), 2), 2), u128(0x3412));
    EXPECT_EQ(V(WordShift(W(0x8000, 2), -1, 2, true), 2), u128(0xC000));
    EXPECT_EQ(V(WordShift(W(0x8000, 2), -1, 2, false), 2), u128(0x4000));
    EXPECT_EQ(V(WordShift(W(0x8000, 2), -40, 2, true), 2), u128(0xFFFF));
    EXPECT_EQ(V(WordShift(W(0x7FFF, 2), -40, 2, true), 2), u128(0));
    EXPECT_EQ(V(WordShift(W(0x0001, 2), 16, 2, false), 2), u128(0));
    EXPECT_EQ(V(WordShift(W(1, 1), INT32_MIN, 1, false), 1), u128(0));
    EXPECT_EQ(V(WordMask(3, 1), 1), u128(0x07));
    EXPECT_EQ(V(WordMask(-3, 1), 1), u128(0xE0));
    EXPECT_EQ(V(WordMask(0, 1), 1), u128(0));
    EXPECT_EQ(V(WordMask(99, 2), 2), u128(0xFFFF));
    EXPECT_EQ(V(WordShift(WordMask(2, 1), 4, 1, false), 1), u128(0x30));
    EXPECT_EQ(V(WordRotate(W(0x81, 1), 1, 1), 1), u128(0x03));
    EXPECT_EQ(V(WordRotate(W(0x81, 1), 9, 1), 1), u128(0x03));
    EXPECT_EQ(V(WordRotate(W(0x81, 1), -1, 1), 1), u128(0xC0));
    EXPECT_EQ(V(WordRotate(W(0x81, 1), INT32_MIN, 1), 1), u128(0x81));
}

TEST(IntegerWord, SmallOperations) {
    Word w = W(1000, 2);
    EXPECT_EQ(WordDivideSmall(&w, 7, 2), 6);
    EXPECT_EQ(V(w, 2), u128(142));
    EXPECT_EQ(WordDivideSmall(&w, 0, 2), -1);  // refused, unchanged
    EXPECT_EQ(V(w, 2), u128(142));
    w = W(0x80, 1);
    EXPECT_TRUE(WordMultiplySmall(&w, 2, 1));
    EXPECT_EQ(V(w, 1), u128(0));
    w = W(0xFFFF, 2);
    EXPECT_TRUE(WordAddSmall(&w, 1, 2));
    EXPECT_EQ(V(w, 2), u128(0));
    w = W(0x00FF, 2);
    EXPECT_FALSE(WordAddSmall(&w, 1, 2));
    EXPECT_EQ(V(w, 2), u128(0x100));
}

TEST(IntegerWord, FromReal) {
    struct Case {
        const char* name;
        double x;
        int n;
        uint64_t want;
        bool overflow;
    } cases[] = {
        {"2.5 rounds up", 2.5, 1, 3, false},
        {"-2.5 rounds away", -2.5, 1, 0xFD, false},
        {"-0.3 is zero", -0.3, 1, 0, false},
        {"200 fits 8 bits", 200, 1, 0xC8, false},
        {"255 fits", 255.4, 1, 255, false},
        {"256 overflows", 256, 1, 0, true},
        {"-256 overflows", -256, 1, 0, true},
        {"just below half", 0.49999999999999994, 1, 0, false},
        {"odd above 2^52", 4503599627370497.0, 8, 4503599627370497ull, false},
        {"65537 in 16 bits", 65537, 2, 1, true},
        {"infinity", INFINITY, 2, 0, true},
        {"NaN", NAN, 2, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Word w;
        EXPECT_EQ(WordFromReal(c.x, &w, c.n), c.overflow);
        EXPECT_EQ(uint64_t(V(w, c.n)), c.want);
    }
    Word w;
    EXPECT_FALSE(WordFromReal(std::ldexp(1.0, 127), &w, 16));
    EXPECT_EQ(V(w, 16), u128(1) << 127);
    EXPECT_TRUE(WordFromReal(std::ldexp(1.0, 128), &w, 16));
}

TEST(IntegerWord, ToReal) {
    EXPECT_EQ(WordToReal(W(0xFF, 1), 1, true), -1.0);
    EXPECT_EQ(WordToReal(W(0xFF, 1), 1, false), 255.0);
    EXPECT_EQ(WordToReal(W(0x80, 1), 1, true), -128.0);
    EXPECT_EQ(WordToReal(W(~u128(0), 16), 16, false), std::ldexp(1.0, 128));
    EXPECT_EQ(WordToReal(W(u128(1) << 127, 16), 16, true), -std::ldexp(1.0, 127));
    // Rounded once: 2^64 + 2^11 + 1 is nearer 2^64 + 2^12 than 2^64.
    u128 v = (u128(1) << 64) + (1u << 11) + 1;
    EXPECT_EQ(WordToReal(W(v, 16), 16, false), std::ldexp(1.0, 64) + 4096.0);
}

TEST(IntegerWord, IntegerToCount) {
    TestDb db;
    struct Case {
        const char* name;
        u128 w;
        int n;
        bool ok;
        int32_t want;
    } cases[] = {
        {"8-bit 0xFF reads -1", 0xFF, 1, true, -1},
        {"8-bit 0x80", 0x80, 1, true, -128},
        {"16-bit 300", 300, 2, true, 300},
        {"32-bit max", 0x7FFFFFFF, 4, true, INT32_MAX},
        {"32-bit -(2^31-1)", 0x80000001, 4, true, -INT32_MAX},
        {"32-bit 2^31", 0x80000000, 4, false, 0},
        {"64-bit 2^31", 0x80000000ull, 8, false, 0},
        {"64-bit 2^32", 1ull << 32, 8, false, 0},
        {"64-bit -5", ~u128(0) - 4, 8, true, -5},
        {"128-bit high byte", u128(1) << 100, 16, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db.win.clearMessages();
        int32_t count = 12345;
        EXPECT_EQ(IntegerToCount(W(c.w, c.n), c.n, &count), c.ok);
        if (c.ok) {
            EXPECT_EQ(count, c.want);
            EXPECT_TRUE(db.win.messages.empty());
        } else {
            EXPECT_TRUE(db.win.shownText("Number is too large."));
        }
    }
}

TEST(IntegerWord, OverflowWarningFollowsPreference) {
    TestDb db;
    State::setWarnOverflow(1);
    OverflowWarning();
    EXPECT_TRUE(db.win.shownText("Result has overflowed the word size."));
    db.win.clearMessages();
    State::setWarnOverflow(0);
    OverflowWarning();
    EXPECT_TRUE(db.win.messages.empty());
}

}  // namespace
}  // namespace kiv
