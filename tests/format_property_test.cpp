// Round trips: formatted reals parse back to within one unit of the last
// shown digit in every mode and precision; formatted words parse back
// exactly in every radix, word size and sign setting.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/format.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace kiv {
namespace {

std::vector<double> SampleDoubles(int n) {
    std::mt19937_64 rng(20240601);
    std::vector<double> xs = {0.0,      -0.0,          1.0,    -1.0,     0.5,
                              9.9999,   0.9996,        1e16,   1e17,     1e-4,
                              1e-5,     999.5,         1e-320, DBL_MIN,  DBL_MAX,
                              -DBL_MAX, 123456789.125, 0.1,    2.5e-308, 9999999999999998.0};
    std::uniform_real_distribution<double> mant(1.0, 10.0);
    std::uniform_int_distribution<int> exp10(-325, 308);
    while (int(xs.size()) < n) {
        double x;
        switch (xs.size() % 3) {
            case 0: {  // any bit pattern that is a finite number
                const uint64_t bits = rng();
                std::memcpy(&x, &bits, 8);
                if (!std::isfinite(x)) continue;
                break;
            }
            case 1:  // spread evenly over the decades
                x = mant(rng) * std::pow(10.0, exp10(rng));
                if (!std::isfinite(x)) continue;
                break;
            default:  // short decimals and binary fractions, where rounding ties live
                x = double(int64_t(rng() % 2000001) - 1000000) / double(1 << (rng() % 12));
                break;
        }
        xs.push_back(rng() & 1 ? -x : x);
    }
    return xs;
}

// What a plain formatted real says about itself.
struct Reading {
    int decimals = 0;  // digits after the separator in the mantissa
    int exponent = 0;
    bool hasExponent = false;
    bool hasPoint = false;
    double mantissa = 0;
};

Reading Read(const std::string& s) {
    Reading r;
    const size_t e = s.find(" e");
    const std::string mant = s.substr(0, e);
    if (e != std::string::npos) {
        r.hasExponent = true;
        r.exponent = std::atoi(s.c_str() + e + 2);
    }
    const size_t point = mant.find('.');
    if (point != std::string::npos) {
        r.hasPoint = true;
        r.decimals = int(mant.size() - point - 1);
    }
    r.mantissa = std::atof(mant.c_str());
    return r;
}

TEST(FormatProperty, RealsParseBackWithinTheLastShownDigit) {
    TestDb db;
    SetSeparators('.', ',');
    const std::vector<double> xs = SampleDoubles(3000);
    int checked = 0;
    for (double x : xs) {
        for (int mode = 0; mode < 4; ++mode) {
            State::setDisplayMode(uint8_t(mode));
            for (int precision = 0; precision <= 15; ++precision) {
                char buf[200];
                FormatReal(buf, sizeof buf, x, NULL_UID, 0, precision, nullptr);
                std::string text = buf;
                ToPlainText(text);
                char trace[120];
                std::snprintf(trace, sizeof trace, "x=%.17g (%a) mode %d precision %d -> '%s'", x,
                              x, mode, precision, text.c_str());
                SCOPED_TRACE(trace);
                ASSERT_FALSE(text.empty());
                ASSERT_NE(text[0], '?');

                double back = 0;
                const char* end = ParseReal(text.c_str(), &back);
                EXPECT_EQ(*end, '\0') << "unparsed tail";
                const Reading r = Read(text);
                if (std::fabs(r.mantissa) * std::pow(10.0L, r.exponent) > DBL_MAX) {
                    // Rounded up past the largest double: the text says a
                    // number too large to read back.
                    EXPECT_EQ(back, 0);
                    EXPECT_EQ(db.win.messages.size(), 1u);
                    db.win.clearMessages();
                    ++checked;
                    continue;
                }
                const double unit = std::pow(10.0, r.exponent - r.decimals);
                const double noise = 8 * DBL_EPSILON * std::fabs(x);
                EXPECT_LE(std::fabs(back - x), unit + noise);

                EXPECT_LE(r.decimals, precision);
                if (mode == 1) {
                    // Fixed keeps every asked-for decimal, and the point.
                    EXPECT_TRUE(r.hasPoint);
                    EXPECT_EQ(r.decimals, precision);
                } else if (r.hasPoint) {
                    EXPECT_NE(text.substr(0, text.find(" e")).back(), '0') << "not stripped";
                    EXPECT_NE(text.substr(0, text.find(" e")).back(), '.') << "not stripped";
                }
                if (r.hasExponent) {
                    const double m = std::fabs(r.mantissa);
                    EXPECT_GE(m, 1.0);
                    EXPECT_LE(m, mode == 3 ? 1000.0 : 10.0);
                    if (mode == 3) {
                        EXPECT_EQ(((r.exponent % 3) + 3) % 3, 0);
                    }
                }
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 3000 * 4 * 16);
    EXPECT_TRUE(db.win.messages.empty());
}

TEST(FormatProperty, WordsRoundTripInEveryRadixAndSize) {
    TestDb db;
    std::mt19937_64 rng(77);
    for (int r : {0, 16, 10, 8, 2, 7}) State::setGroupSize(r, 0);  // grouping off everywhere
    State::setWarnOverflow(1);
    for (int bits : {8, 16, 32, 64, 128}) {
        const int bytes = bits / 8;
        State::setWordSize(uint8_t(bits));
        for (int radix = 2; radix <= 36; ++radix) {
            State::setRadix(uint8_t(radix));
            State::setGroupSize(radix, 0);
            for (int flags = 0; flags < 4; ++flags) {
                State::setSigned(flags & 1);
                State::setLeadingZeros((flags & 2) != 0);
                for (int k = 0; k < 40; ++k) {
                    Word w;
                    if (k < 4) {  // zero, one, all bits, the sign bit alone
                        if (k == 1) w.b[0] = 1;
                        if (k == 2) std::memset(w.b, 0xFF, size_t(bytes));
                        if (k == 3) w.b[bytes - 1] = 0x80;
                    } else {
                        for (int i = 0; i < bytes; ++i) w.b[i] = uint8_t(rng());
                    }
                    char buf[200];
                    FormatInteger(buf, sizeof buf, w, 0, nullptr);
                    Word back;
                    std::memset(back.b, 0xAA, 16);
                    const char* end = ParseInteger(buf, radix, &back);
                    SCOPED_TRACE(std::string("radix ") + std::to_string(radix) + " bits " +
                                 std::to_string(bits) + " flags " + std::to_string(flags) +
                                 " text " + buf);
                    EXPECT_EQ(*end, '\0');
                    EXPECT_EQ(std::memcmp(back.b, w.b, size_t(bytes)), 0);
                    if (flags & 2) {
                        const size_t digits = std::strlen(buf) - (buf[0] == '-' ? 1 : 0);
                        EXPECT_EQ(int(digits), DigitsOfWord(bits, radix));
                    }
                }
            }
        }
    }
    EXPECT_TRUE(db.win.messages.empty()) << "a round trip overflowed";
}

}  // namespace
}  // namespace kiv
