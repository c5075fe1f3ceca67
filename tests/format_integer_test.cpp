// Integer formatting (radix, sign, leading zeros, grouping, left cut), digits
// of a word, and the real and integer parsers with their stopping rules.
#include <gtest/gtest.h>

#include <string>

#include "app/core/messages.h"
#include "engine/format.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace kiv {
namespace {

using u128 = unsigned __int128;

Word W(u128 v) {
    Word w;
    for (int i = 0; i < 16; ++i) w.b[i] = uint8_t(v >> (8 * i));
    return w;
}
u128 V(const Word& w, int bytes) {
    u128 v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | w.b[i];
    return v;
}

class FormatIntegerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSeparators('.', ',');
        CreateFonts();
        for (int r : {0, 16, 10, 8, 2, 7}) State::setGroupSize(r, 0);
    }
    void TearDown() override { SetSeparators('.', ','); }
    static void Mode(int radix, int bits, bool isSigned, bool zeros, int group = 0) {
        State::setRadix(uint8_t(radix));
        State::setWordSize(uint8_t(bits));
        State::setSigned(isSigned);
        State::setLeadingZeros(zeros);
        State::setGroupSize(radix, uint8_t(group));
    }
    static std::string F(u128 v, int width = 0, const FontPair* pair = nullptr, int size = 200) {
        std::string buf(size_t(size), '\x7F');
        FormatInteger(buf.data(), size, W(v), width, pair);
        return std::string(buf.c_str());
    }
    static int Wd(const std::string& s) {
        return MeasureText(s.data(), int(s.size()), ListFontPair());
    }
    std::string overflowText = ComposeCodedMessage(MSG_OVERFLOW).text;
    std::string tooLargeText = ComposeCodedMessage(MSG_TOO_LARGE).text;
    TestDb db;
};

TEST_F(FormatIntegerTest, Formats) {
    struct Case {
        const char* name;
        int radix, bits;
        bool isSigned, zeros;
        int group;
        u128 v;
        const char* want;
    };
    const u128 all = ~u128(0);
    const Case cases[] = {
        {"hex with leading zeros", 16, 16, false, true, 0, 255, "00FF"},
        {"hex without", 16, 16, false, false, 0, 255, "FF"},
        {"negative with leading zeros", 10, 8, true, true, 0, 0xFB, "-005"},
        {"all bits signed", 10, 8, true, false, 0, 0xFF, "-1"},
        {"all bits unsigned", 10, 8, false, false, 0, 0xFF, "255"},
        {"most negative", 10, 8, true, false, 0, 0x80, "-128"},
        {"grouped decimal", 10, 32, false, false, 3, 1234567, "1,234,567"},
        {"grouped exact multiple", 10, 32, false, false, 3, 123456, "123,456"},
        {"grouped with zeros", 10, 32, false, true, 3, 1234567, "0,001,234,567"},
        {"hex groups of four", 16, 32, false, false, 4, 0x12345678, "1234,5678"},
        {"zero", 10, 32, true, false, 3, 0, "0"},
        {"bits above the word ignored", 16, 8, false, false, 0, 0x1FF, "FF"},
        {"radix 36", 36, 16, false, false, 0, 35 * 36 + 10, "ZA"},
        {"octal 32-bit zeros", 8, 32, false, true, 0, 8, "00000000010"},
        {"128-bit unsigned", 10, 128, false, false, 0, all,
         "340282366920938463463374607431768211455"},
        {"128-bit signed minimum", 16, 128, true, false, 0, u128(1) << 127,
         "-80000000000000000000000000000000"},
        {"binary with groups", 2, 16, false, true, 8, 0x0102, "00000001,00000010"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mode(c.radix, c.bits, c.isSigned, c.zeros, c.group);
        EXPECT_EQ(F(c.v), c.want);
    }
}

TEST_F(FormatIntegerTest, DestinationTooSmall) {
    Mode(10, 32, true, false);
    EXPECT_EQ(F(12345, 0, nullptr, 6), "12345");
    EXPECT_EQ(F(12345, 0, nullptr, 5), "?");
    EXPECT_EQ(F(u128(0xFFFFFFFF) - 1233, 0, nullptr, 5), "?");  // -1234: no room for "-"
}

TEST_F(FormatIntegerTest, CutOnTheLeftKeepsLowDigits) {
    Mode(10, 32, false, false, 3);
    const FontPair* list = &ListFontPair();
    EXPECT_EQ(F(1234567, Wd("1,234,567"), list), "1,234,567");
    EXPECT_EQ(F(1234567, Wd("1,234,567") - 1, list), "...34,567");
    EXPECT_EQ(F(1234567, Wd("...567"), list), "...567");
    // At least one digit stays, even when nothing fits.
    EXPECT_EQ(F(1234567, 1, list), "...7");
    // Without a font pair nothing is measured, so nothing is cut.
    EXPECT_EQ(F(1234567, 10, nullptr), "1,234,567");
}

TEST_F(FormatIntegerTest, FormatValueText) {
    Mode(16, 16, false, true);
    uint8_t bytes[16] = {0xFF};
    EXPECT_EQ(FormatValueText(Value::Int(bytes), 0, 10, nullptr), "00FF");
}

TEST_F(FormatIntegerTest, DigitsOfWord) {
    struct Case {
        int bits, radix, want;
    };
    const Case cases[] = {{32, 16, 8},   {32, 8, 11}, {32, 10, 10}, {32, 2, 32},   {8, 10, 3},
                          {8, 16, 2},    {16, 4, 8},  {64, 32, 13}, {128, 2, 128}, {128, 16, 32},
                          {128, 36, 25}, {64, 3, 41}, {8, 36, 2}};
    for (const Case& c : cases)
        EXPECT_EQ(DigitsOfWord(c.bits, c.radix), c.want) << c.bits << " bits radix " << c.radix;
}

TEST_F(FormatIntegerTest, ParseReal) {
    struct Case {
        const char* name;
        std::string text;
        double want;
        int consumed;
    };
    const Case cases[] = {
        {"exponent", "1.5e-3", 0.0015, 6},
        {"plus stops the exponent", "1e+3", 1, 2},
        {"decimal-point code", std::string("3") + char(0xCA) + "25", 3.25, 4},
        {"negative", "-2.5", -2.5, 4},
        {"space before e", "2 e3 m", 2000, 4},
        {"space without e", "5 m", 5, 2},
        {"unit text not read", "7km", 7, 1},
        {"no digits", "abc", 0, 0},
        {"sign alone", "-", 0, 1},
        {"leading point", ".5", 0.5, 2},
        {"capital E is not an exponent", "2E3", 2, 1},
        {"zero with huge exponent", "0e99999", 0, 7},
        {"tiny underflows to zero", "1e-400", 0, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double d = -99;
        const char* end = ParseReal(c.text.c_str(), &d);
        EXPECT_DOUBLE_EQ(d, c.want);
        EXPECT_EQ(end - c.text.c_str(), c.consumed);
    }
    EXPECT_TRUE(db.win.messages.empty());
}

TEST_F(FormatIntegerTest, ParseRealUsesTheLocaleSeparator) {
    double d = 0;
    SetSeparators(',', '.');
    ParseReal("3,25", &d);
    EXPECT_DOUBLE_EQ(d, 3.25);
    const char* t = "3.25";
    EXPECT_EQ(ParseReal(t, &d), t + 1);
    EXPECT_DOUBLE_EQ(d, 3);
}

TEST_F(FormatIntegerTest, ParseRealTooLarge) {
    for (const char* t : {"1e400", "-1e309", "999999999e300"}) {
        SCOPED_TRACE(t);
        db.win.clearMessages();
        double d = -99;
        ParseReal(t, &d);
        EXPECT_EQ(d, 0);
        EXPECT_EQ(db.win.messages.size(), 1u);
        EXPECT_TRUE(db.win.shownText(tooLargeText));
    }
}

TEST_F(FormatIntegerTest, ParseInteger) {
    struct Case {
        const char* name;
        int radix, bits;
        const char* text;
        u128 want;
        int consumed;
        bool overflow;
    };
    const Case cases[] = {
        {"hex", 16, 16, "FF", 255, 2, false},
        {"lower case is not a digit", 16, 16, "ff", 0, 0, false},
        {"stops at a digit too large", 8, 16, "178", 15, 2, false},
        {"stops at a letter", 16, 16, "12G", 0x12, 2, false},
        {"negative", 10, 8, "-1", 0xFF, 2, false},
        {"radix 36", 36, 16, "ZA", 35 * 36 + 10, 2, false},
        {"overflow keeps low bits", 10, 8, "256", 0, 3, true},
        {"largest fits", 10, 8, "255", 255, 3, false},
        {"128 bits", 16, 128, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", ~u128(0), 32, false},
        {"128-bit overflow", 16, 128, "1FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", ~u128(0), 33, true},
        {"binary", 2, 8, "1012", 5, 3, false},
    };
    State::setWarnOverflow(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        State::setWordSize(uint8_t(c.bits));
        db.win.clearMessages();
        Word w = W(~u128(0));
        const char* end = ParseInteger(c.text, c.radix, &w);
        const int bytes = c.bits / 8;
        EXPECT_TRUE(V(w, bytes) == (c.want & (bytes == 16 ? ~u128(0) : (u128(1) << c.bits) - 1)));
        for (int i = bytes; i < 16; ++i) EXPECT_EQ(w.b[i], 0) << "byte " << i;
        EXPECT_EQ(end - c.text, c.consumed);
        EXPECT_EQ(db.win.shownText(overflowText), c.overflow);
    }
}

TEST_F(FormatIntegerTest, OverflowWarningFollowsThePreference) {
    State::setWordSize(8);
    State::setWarnOverflow(0);
    Word w;
    ParseInteger("300", 10, &w);
    EXPECT_EQ(w.b[0], 300 & 0xFF);
    EXPECT_TRUE(db.win.messages.empty());
}

}  // namespace
}  // namespace kiv
