// Real formatting: the four display modes, rounding, grouping, the width fit
// and its fallback with "..." cuts, and the failure texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/format.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

enum { Standard = 0, Fixed = 1, Scientific = 2, Engineering = 3 };

class FormatRealTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSeparators('.', ',');
        CreateFonts();
        State::setGroupSize(0, 3);
    }
    void TearDown() override { ExpectOwnershipSound(); }

    // The raw text, with the decimal-point code shown as "." (other bytes as is).
    static std::string Shown(const std::string& raw) {
        std::string s = raw;
        ToPlainText(s);
        return s;
    }
    static std::string Raw(double x, int mode, int precision, const FontPair* pair, int width = 0,
                           Uid unit = NULL_UID, int size = 200) {
        State::setDisplayMode(uint8_t(mode));
        std::string buf(size_t(size), '\x7F');
        FormatReal(buf.data(), size, x, unit, width, precision, pair);
        return std::string(buf.c_str());
    }
    static std::string F(double x, int mode, int precision, const FontPair* pair = nullptr,
                         int width = 0, Uid unit = NULL_UID, int size = 200) {
        return Shown(Raw(x, mode, precision, pair, width, unit, size));
    }
    static int Wd(const std::string& raw) {
        return MeasureText(raw.data(), int(raw.size()), ListFontPair());
    }
    TestDb db;
};

TEST_F(FormatRealTest, DecimalPointIsTheCode) {
    EXPECT_EQ(Raw(0.5, Standard, 10, nullptr), std::string("0") + char(0xCA) + "5");
    EXPECT_EQ(Raw(12, Fixed, 0, nullptr), std::string("12") + char(0xCA));
}

TEST_F(FormatRealTest, Modes) {
    const FontPair* list = &ListFontPair();
    struct Case {
        const char* name;
        double x;
        int mode, precision;
        const FontPair* pair;
        const char* want;
    };
    const Case cases[] = {
        {"grouped with a font pair", 1234567.891, Standard, 2, list, "1,234,567.89"},
        {"not grouped without a pair", 1234567.891, Standard, 2, nullptr, "1234567.89"},
        {"negative grouped", -1234.5, Standard, 1, list, "-1,234.5"},
        {"carry makes a new group", 999999.9996, Standard, 3, list, "1,000,000"},
        {"carry without grouping", 99.96, Standard, 1, nullptr, "100"},
        {"half", 0.5, Standard, 10, nullptr, "0.5"},
        {"integral value strips", 2.0, Standard, 10, nullptr, "2"},
        {"fixed keeps zeros", 2.0, Fixed, 3, nullptr, "2.000"},
        {"fixed precision 0 keeps the point", 12.0, Fixed, 0, nullptr, "12."},
        {"fixed rounds up to 1", 0.9996, Fixed, 3, nullptr, "1.000"},
        {"half up on the first dropped digit", 0.125, Fixed, 2, nullptr, "0.13"},
        {"tiny in standard", 0.00001, Standard, 4, nullptr, "1 e-5"},
        {"0.0001 itself is exponent form", 0.0001, Standard, 4, nullptr, "1 e-4"},
        {"tiny in fixed keeps zeros", 0.00001, Fixed, 2, nullptr, "1.00 e-5"},
        {"1e16 positional", 1e16, Standard, 2, nullptr, "10000000000000000"},
        {"1e17 exponent", 1e17, Standard, 2, nullptr, "1 e17"},
        {"scientific", 123456, Scientific, 3, nullptr, "1.235 e5"},
        {"scientific negative exponent", -0.00125, Scientific, 3, nullptr, "-1.25 e-3"},
        {"mantissa rounding to 10 stays", 9.9999, Scientific, 2, nullptr, "10 e0"},
        {"engineering", 12345, Engineering, 4, nullptr, "12.345 e3"},
        {"engineering small", 0.0012, Engineering, 4, nullptr, "1.2 e-3"},
        {"engineering negative exponent rounds down", 0.00012, Engineering, 4, nullptr, "120 e-6"},
        {"engineering below one thousand", 999, Engineering, 2, nullptr, "999 e0"},
        {"zero standard", 0.0, Standard, 5, nullptr, "0"},
        {"zero fixed", 0.0, Fixed, 2, nullptr, "0.00"},
        {"zero scientific", 0.0, Scientific, 5, nullptr, "0"},
        {"zero engineering", 0.0, Engineering, 5, nullptr, "0"},
        {"scale overflows in scientific", 1e-320, Scientific, 5, nullptr, "0"},
        {"engineering scale overflows after rounding down", 2.3e-308, Engineering, 2, nullptr, "0"},
        {"tiny negative keeps its sign", -4e-316, Engineering, 5, nullptr, "-0"},
        {"smallest normal has an exponent", 2.5e-308, Scientific, 1, nullptr, "2.5 e-308"},
        {"largest double", 1.5e308, Scientific, 1, nullptr, "1.5 e308"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(F(c.x, c.mode, c.precision, c.pair), c.want);
    }
    // A precision beyond the digit string keeps the decimals that fit.
    EXPECT_EQ(F(0.5, Fixed, 200), "0.5" + std::string(75, '0'));
}

TEST_F(FormatRealTest, FailureTexts) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(F(std::nan(""), Standard, 2), "?NAN?");
    EXPECT_EQ(F(-inf, Scientific, 2, &ListFontPair(), 100), "?NAN?");
    // Neither "123456" nor "1 e5" fits four bytes.
    EXPECT_EQ(F(123456, Standard, 2, nullptr, 0, NULL_UID, 4), "?A?");
    // The text always stays inside the destination.
    EXPECT_EQ(F(123456, Standard, 2, nullptr, 0, NULL_UID, 3), "?A");
}

TEST_F(FormatRealTest, DecimalsDropToFitTheWidth) {
    const FontPair* list = &ListFontPair();
    const std::string want = std::string("3") + char(0xCA) + "14";
    EXPECT_EQ(Raw(3.14159, Standard, 5, list, Wd(want)), want);
    EXPECT_EQ(Raw(3.14159, Standard, 5, list, Wd(want) - 1), std::string("3") + char(0xCA) + "1");
    // Stripped trailing zeros do not count against the width.
    EXPECT_EQ(Raw(2.0, Standard, 6, list, Wd("2")), "2");
    // A number only fits in exponent form once the positional one cannot.
    const std::string e = "1 e17";
    EXPECT_EQ(Raw(1e17, Standard, 3, list, Wd(e)), e);
}

TEST_F(FormatRealTest, UnitSuffix) {
    const UnitTable u = MakeUnitTable();
    const Uid speed = MakeExpr({{u.m, 0, 1}, {u.s, 0, -1}});
    EXPECT_EQ(F(5, Standard, 2, nullptr, 0, speed), "5 m/s");
    EXPECT_EQ(F(std::nan(""), Standard, 2, nullptr, 0, speed), "?NAN?");
    // A dangling unit reference gives no suffix, not a trailing space.
    EXPECT_EQ(F(5, Standard, 2, nullptr, 0, 0x12345678u), "5");
    // The number alone would fit, but not with its unit, and there is no
    // width to cut by.
    EXPECT_EQ(F(5, Standard, 2, nullptr, 0, speed, 6), "?B?");
    Value v = Value::Real(1.25, speed);
    EXPECT_EQ(Shown(FormatValueText(v, 0, 4, nullptr)), "1.25 m/s");
    DeleteExpression(speed);
}

TEST_F(FormatRealTest, UnitAndNumberCutWithEllipsis) {
    MakeUnitTable();
    const Uid furlong = DefineUnit("furlong", 201.168, {});
    const Uid e = MakeExpr({{furlong, 0, 1}});
    const FontPair* list = &ListFontPair();
    struct Case {
        const char* name;
        double x;
        int width;
        const char* want;
    };
    const Case cases[] = {
        {"everything fits", 5, Wd("5 furlong"), "5 furlong"},
        {"unit cut", 5, Wd("5 fur..."), "5 fur..."},
        {"unit cut one pixel less", 5, Wd("5 fur...") - 1, "5 fu..."},
        {"no unit character fits", 5, Wd("5...") + 1, "5..."},
        // "1 e3" is narrower than "1,235": the exponent candidate is cut.
        {"number cut", 1234.5, Wd("1...") + 1, "1..."},
        {"nothing of the number fits", 1234.5, Wd("..."), "..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string raw = Raw(c.x, Standard, 1, list, c.width, e);
        EXPECT_EQ(Shown(raw), c.want);
        EXPECT_LE(Wd(raw), c.width);
    }
    DeleteExpression(e);
}

TEST_F(FormatRealTest, FormatValueDispatchesOnKind) {
    Value bad = Value::Real(1.0);
    bad.b[0] = 7;
    char buf[16] = "untouched";
    FormatValue(buf, sizeof buf, bad, 0, 2, nullptr);
    EXPECT_STREQ(buf, "untouched");
    EXPECT_EQ(Shown(FormatValueText(Value::Real(-0.25), 0, 2, nullptr)), "-0.25");
}

}  // namespace
}  // namespace kiv
