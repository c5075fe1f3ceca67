// Copy then paste gives back what was copied: for every display mode, a
// range of precisions, both separator pairs, grouping and a range of units
// in floating mode, and for every word size, radix, signedness, padding and
// grouping in integer mode. Values are drawn from a seeded generator.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "app/core/calctext.h"
#include "engine/format.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace kiv {
namespace {

struct Separators {
    char decimal, group;
};
constexpr Separators kSeparators[] = {{'.', ','}, {',', '.'}};

// Copies the top, drops it, pastes the copy and enters it: the top is then
// the pasted value. Returns the copied text.
std::string CopyDropPasteEnter() {
    refreshDisplay();
    const std::string copied = CopyTopText();
    Drop();
    PasteText(copied);
    keyEnter();
    return copied;
}

// The characters of an integer's text that the entry line must hold: sign
// and digits, leading zeros dropped.
int SignificantLength(const std::string& text) {
    std::string digits;
    for (const char c : text)
        if (c != '-' && c != '.' && c != ',') digits += c;
    const size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
    return int(digits.size() - first) + (text[0] == '-' ? 1 : 0);
}

void ClearStack() {
    while (Depth() > 0) Drop();
}

class PasteRoundTrip : public ::testing::Test {
  protected:
    void SetUp() override {
        resetKeypadState();
        // Wide enough that no copied text is cut.
        setDisplayGeometry(0, 100000, 280, 5);
    }
    void TearDown() override {
        SetSeparators('.', ',');
        ExpectOwnershipSound();
    }
    TestDb db;
    UnitTable u = MakeUnitTable();
};

TEST_F(PasteRoundTrip, RealsKeepTheirShownValueAndUnit) {
    // Prefixed names that are no unit names of the table, so that the text
    // has one reading ("km" and "min" are units of their own there).
    const Uid units[] = {
        NULL_UID,
        MakeExpr({{u.m, 0, 1}}),
        MakeExpr({{u.km, 0, 1}}),
        MakeExpr({{u.s, 0, -1}}),
        MakeExpr({{u.m, 0, 2}}),
        MakeExpr({{u.kg, 0, 1}, {u.m, 0, 2}, {u.s, 0, -3}}),
        MakeExpr({{u.m, -3, 1}, {u.s, -3, -1}}),
        MakeExpr({{u.m, 6, 1}, {u.s, -6, -2}}),
        MakeExpr({{u.s, 0, -1}, {u.m, 0, 1}}),
        MakeExpr({{u.J, 0, 1}, {u.s, 0, -1}}),
        MakeExpr({{u.W, 0, 1}, {u.h, 0, 1}}),
        MakeExpr({{u.N, 3, 1}, {u.ft, 0, 2}}),
        MakeExpr({{u.A, 0, -12}}),
        MakeExpr({{u.m, 0, 127}, {u.s, 0, -128}}),
        MakeExpr({{u.ha, 0, 1}, {u.in, 0, -1}, {u.min, 0, -1}}),
    };
    std::mt19937_64 rng(20240917);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-20, 20);
    const double fixedValues[] = {0, 1, 0.5, -2.5, 1234567.891, 0.00012, 9.9999, 1e16, 1e17};
    int trials = 0;
    for (const Separators sep : kSeparators) {
        SetSeparators(sep.decimal, sep.group);
        for (int mode = 0; mode < 4; ++mode) {
            for (const int precision : {0, 2, 3, 6}) {
                for (const int group : {0, 3}) {
                    for (const int full : {0, 2}) {
                        State::setDisplayMode(uint8_t(mode));
                        State::setPrecision(uint8_t(precision));
                        State::setGroupSize(0, uint8_t(group));
                        State::setFullDisplay(uint8_t(full));
                        const int digits = full == 2 ? 16 : precision;
                        for (int k = 0; k < 24; ++k) {
                            double x = k < 9 ? fixedValues[k]
                                             : mantissa(rng) * std::pow(10.0, exponent(rng));
                            if (k >= 9 && rng() % 2) x = -x;
                            const Uid unit = units[size_t(k) % std::size(units)];
                            Push(Value::Real(x, DuplicateExpression(unit)));
                            const std::string copied = CopyDropPasteEnter();
                            SCOPED_TRACE("copied '" + copied + "', mode " + std::to_string(mode) +
                                         ", precision " + std::to_string(digits) + ", group " +
                                         std::to_string(group) + ", decimal " + sep.decimal);
                            ++trials;
                            ASSERT_TRUE(db.win.messages.empty()) << db.win.messages[0].text;
                            ASSERT_EQ(Depth(), 1);
                            Value v;
                            Peek(0, &v);
                            ASSERT_TRUE(v.isReal());
                            EXPECT_TRUE(ExpressionsEqual(v.unit(), unit))
                                << "pasted unit '" << ExpressionText(v.unit()) << "'";
                            // What is shown rounds to `digits` decimals, of the
                            // number or of the exponent form's mantissa.
                            const double tol = (0.5 * std::pow(10.0, -digits) + 4e-16) *
                                               std::max(1.0, std::fabs(x));
                            EXPECT_LE(std::fabs(v.real() - x), tol) << "pasted " << v.real();
                            ClearStack();
                        }
                    }
                }
            }
        }
    }
    for (const Uid e : units) DeleteExpression(e);
    EXPECT_EQ(trials, 2 * 4 * 4 * 2 * 2 * 24);
}

TEST_F(PasteRoundTrip, IntegersKeepEveryBitInEveryRadix) {
    std::mt19937_64 rng(77);
    int trials = 0, tooLong = 0;
    for (const Separators sep : kSeparators) {
        SetSeparators(sep.decimal, sep.group);
        for (const int radix : {2, 3, 8, 10, 16, 36}) {
            State::setRadix(uint8_t(radix));
            for (const int bits : {8, 16, 32, 64, 128}) {
                State::setWordSize(uint8_t(bits));
                for (const int sign : {0, 1}) {
                    for (const int pad : {0, 1}) {
                        for (const int group : {0, 3}) {
                            State::setSigned(uint8_t(sign));
                            State::setLeadingZeros(uint8_t(pad));
                            State::setGroupSize(radix, uint8_t(group));
                            for (int k = 0; k < 6; ++k) {
                                uint8_t bytes[16] = {};
                                for (int i = 0; i < bits / 8; ++i) bytes[i] = uint8_t(rng());
                                if (k == 0) std::memset(bytes, 0, bits / 8);
                                if (k == 1) std::memset(bytes, 0xFF, bits / 8);
                                if (k == 2) {
                                    std::memset(bytes, 0, bits / 8);
                                    bytes[bits / 8 - 1] = 0x80;  // the most negative
                                }
                                Push(Value::Int(bytes));
                                const std::string copied = CopyDropPasteEnter();
                                SCOPED_TRACE("copied '" + copied + "', radix " +
                                             std::to_string(radix) + ", bits " +
                                             std::to_string(bits));
                                ++trials;
                                if (SignificantLength(copied) > kEntryMax) {
                                    // Only the most negative 128-bit word in
                                    // binary: its sign and 128 digits are more
                                    // than the line holds, and nothing is typed.
                                    EXPECT_TRUE(db.win.messages.size() == 1 &&
                                                db.win.shownText("longer than the entry line"));
                                    EXPECT_EQ(Depth(), 0);
                                    db.win.clearMessages();
                                    ++tooLong;
                                    continue;
                                }
                                ASSERT_TRUE(db.win.messages.empty()) << db.win.messages[0].text;
                                Value v;
                                ASSERT_TRUE(Peek(0, &v) && v.isInt());
                                EXPECT_EQ(std::memcmp(v.word(), bytes, 16), 0);
                                ClearStack();
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(trials, 2 * 6 * 5 * 2 * 2 * 2 * 6);
    EXPECT_EQ(tooLong, 2 * 2 * 2);  // two separator pairs, padding, grouping
}

}  // namespace
}  // namespace kiv
