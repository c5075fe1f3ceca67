// SPDX-License-Identifier: GPL-3.0-or-later
// Properties of the engine. The word primitives against a reference on
// 128-bit integers, for every word size and both signednesses: operands
// biased to the edge values, junk above the word; results, remainders, the
// value as a real, and exactly when overflow is reported. Round trips of
// number text: formatted reals read back to within one unit of the last
// digit shown, in every mode and precision and in the shape each mode
// promises; formatted words read back exactly in every radix, word size,
// signedness and padding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <random>
#include <string>
#include <vector>

#include "engine/format.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace kiv {
namespace {

using u128 = unsigned __int128;
using s128 = __int128;

// A 128-bit value as its two 64-bit halves in decimal, "high:low", with "!"
// for an overflow.
std::string Halves(u128 v, bool overflow = false) {
    return std::to_string(uint64_t(v >> 64)) + ":" + std::to_string(uint64_t(v)) +
           (overflow ? "!" : "");
}

TEST(IntegerDiff, MatchesReference) {
    std::mt19937_64 rng(0x5eed);
    auto pick = [&](int n) { return int(rng() % uint64_t(n)); };
    for (int i = 0; i < 10 * 6000; ++i) {
        const int n = 1 << (i / 12000), bits = 8 * n;
        const bool sg = i / 6000 % 2;
        const u128 mask = ~u128(0) >> (128 - bits), top = u128(1) << (bits - 1);
        // The signed reading; the signed range is S(top) .. S(top - 1).
        auto S = [&](u128 v) { return s128(v << (128 - bits)) >> (128 - bits); };
        auto V = [&](const Word& w) {  // the host is little-endian, as the words are
            u128 v = 0;
            std::memcpy(&v, w.b, size_t(n));
            return v;
        };
        // Operands: edge values, powers of two and their neighbours, short and long values.
        const u128 raw = u128(rng()) << 64 | rng(),
                   edges[] = {0, 1, 2, mask, mask - 1, top, top - 1, top + 1};
        u128 ab[2];
        for (u128& v : ab) {
            const u128 p = u128(1) << pick(bits);
            const int kind = pick(5);
            v = kind == 0   ? edges[pick(8)]
                : kind == 1 ? (p + u128(pick(3)) - 1) & mask
                : kind == 2 ? (u128(pick(5)) - p) & mask
                            : (raw ^ u128(rng())) & (kind == 3 ? p - 1 : mask);
        }
        const u128 a = ab[0], b = ab[1];
        const int k = pick(2 * bits + 21) - bits - 10, s = ((k % bits) + bits) % bits,
                  c = std::abs(k);  // a shift count
        auto check = [&](const std::string& op, u128 got, u128 want, bool gotOv = 0, bool ov = 0) {
            EXPECT_EQ(Halves(got, gotOv), Halves(want, ov))
                << bits << (sg ? " signed " : " unsigned ") << op << " a=" << Halves(a)
                << " b=" << Halves(b) << " k=" << k;
        };
        Word wa, wb, r, rem;
        std::memcpy(wa.b, &a, size_t(n));
        std::memcpy(wb.b, &b, size_t(n));
        for (int j = n; j < 16; ++j) wa.b[j] = wb.b[j] = uint8_t(0xA5 + j);  // junk above the word
        for (const auto& [op, word] :
             {std::pair{'+', &WordAdd}, {'-', &WordSubtract}, {'*', &WordMultiply}}) {
            // The true result: its low bits, and whether it leaves the range.
            auto apply = [op](auto x, auto y, auto* t) {
                return op == '+'   ? __builtin_add_overflow(x, y, t)
                       : op == '-' ? __builtin_sub_overflow(x, y, t)
                                   : __builtin_mul_overflow(x, y, t);
            };
            u128 ut = 0;
            s128 st = 0;
            const bool ov = (sg ? apply(S(a), S(b), &st) : apply(a, b, &ut)) ||
                            (sg ? st < S(top) || st > S(top - 1) : ut > mask);
            const bool gotOv = word(wa, wb, &r, n, sg);
            check(std::string(1, op), V(r), (sg ? u128(st) : ut) & mask, gotOv, ov);
        }

        const bool divided = WordDivide(wa, wb, &r, &rem, n, sg);
        // Signed division truncates; the most negative number over -1 is itself.
        const bool minOverMinusOne = sg && S(a) == S(top) && S(b) == -1;
        u128 q = b && !sg ? a / b : minOverMinusOne ? a : 0, m = b && !sg ? a % b : 0;
        if (b && sg && !minOverMinusOne) q = u128(S(a) / S(b)) & mask, m = u128(S(a) % S(b)) & mask;
        check("/", divided ? V(r) : 0, q, divided, b != 0);
        check("mod", divided ? V(rem) : 0, m);

        u128 shifted = c >= bits ? 0 : k >= 0 ? a << k & mask : a >> c;
        if (k < 0 && sg && a & top) shifted = u128(S(a) >> std::min(c, bits - 1)) & mask;
        check("shift", V(WordShift(wa, k, n, sg)), shifted);
        check("rotate", V(WordRotate(wa, k, n)), s ? (a << s | a >> (bits - s)) & mask : a);
        const u128 low = c >= bits ? mask : (u128(1) << c) - 1;
        check("mask", V(WordMask(k, n)), k < 0 && c < bits ? low << (bits - c) : low);
        Word w = wa;
        WordNegate(&w, n);
        check("negate", V(w), -a & mask);
        check("to real", WordToReal(wa, n, sg) == (sg ? double(S(a)) : double(a)), 1);

        if (HasFailure()) break;
    }
}

TEST(FormatProperty, RealsAndWordsReadBack) {
    TestDb db;
    std::mt19937_64 rng(20240601);
    std::vector<double> xs = {
        0.0,     1.0,   0.5,    9.9999,  0.9996, 1e16,     1e17,          1e-4,
        1e-5,    999.5, 1e-320, DBL_MIN, 0.1,    2.5e-308, 123456789.125, 9999999999999998.0,
        0.0 * -1};
    while (xs.size() < 3000) {
        // Any finite bit pattern, an even spread over the decades, short binary fractions.
        const uint64_t bits = rng();
        double x = xs.size() % 3
                       ? double(1 + rng() % 9000) * std::pow(10.0, int(rng() % 634) - 328)
                       : double(int64_t(rng() % 2000001) - 1000000) / double(1 << (rng() % 12));
        if (xs.size() % 3 == 1) std::memcpy(&x, &bits, 8);
        if (std::isfinite(x)) xs.push_back(x);
    }
    for (size_t i = 0; i < xs.size() * 64; ++i) {
        const double x = xs[i / 64];
        if (std::fabs(x) > 1e307) continue;  // may round up past the largest double
        const int mode = int(i / 16 % 4), p = int(i % 16);
        State::setDisplayMode(uint8_t(mode));
        std::string text = FormatValueText(Value::Real(x, NULL_UID), 0, p, nullptr);
        if (p % 2) ToPlainText(text);  // half read as the entry line holds them, half as pasted
        double back = 0;
        const bool read = *ParseReal(text.c_str(), &back) == '\0';
        ToPlainText(text);
        const size_t e = text.find(" e"), none = std::string::npos;
        const std::string mant = text.substr(0, e);
        const size_t point = mant.find('.');
        const int exp = e == none ? 0 : std::atoi(text.c_str() + e + 2);
        const int decimals = point == none ? 0 : int(mant.size() - point - 1);
        const double m = std::fabs(std::atof(mant.c_str()));
        SCOPED_TRACE(testing::Message()
                     << std::setprecision(17) << x << " mode " << mode << " precision " << p);
        ASSERT_TRUE(read && text[0] != '?') << text;
        EXPECT_LE(std::fabs(back - x),
                  std::pow(10.0, exp - decimals) + 8 * DBL_EPSILON * std::fabs(x))
            << text;
        // Fixed keeps every decimal asked for; the others strip zeros and the
        // point. An exponent comes with a mantissa from 1 to 10 (to 1000 and a
        // multiple of 3 in engineering mode).
        EXPECT_TRUE((mode == 1 ? point != none && decimals == p
                               : decimals <= p && mant.back() != '.' &&
                                     (point == none || mant.back() != '0')) &&
                    (e == none ||
                     (m >= 1 && m <= (mode == 3 ? 1000 : 10) && exp % (mode == 3 ? 3 : 1) == 0)))
            << text;
    }
    rng.seed(77);
    State::setWarnOverflow(1);  // an overflowing read shows itself
    for (int i = 0; i < 5 * 35 * 4 * 40; ++i) {
        const int bits = 8 << (i / 5600), radix = 2 + i / 160 % 35, flags = i / 40 % 4, k = i % 40,
                  n = bits / 8;
        State::setWordSize(uint8_t(bits));
        State::setRadix(uint8_t(radix));
        State::setGroupSize(radix, 0);
        State::setSigned(flags & 1);
        State::setLeadingZeros(flags >> 1);
        int digits = 0;  // of the largest word: the width padding gives every word
        for (u128 v = ~u128(0) >> (128 - bits); v; v /= unsigned(radix)) ++digits;
        Word w;  // zero, one, all bits, the sign bit alone, then any; junk above the word
        for (uint8_t& b : w.b) b = uint8_t(rng());
        if (k < 4) std::memset(w.b, k == 2 ? 0xFF : 0, size_t(n));
        w.b[0] |= k == 1;
        w.b[n - 1] |= k == 3 ? 0x80 : 0;
        const std::string text = FormatValueText(Value::Int(w.b), 0, 0, nullptr);
        Word back;
        const char* end = ParseInteger(text.c_str(), radix, &back);
        const int shown = int(text.size()) - (text[0] == '-');
        EXPECT_TRUE(*end == '\0' && std::memcmp(back.b, w.b, size_t(n)) == 0 &&
                    (flags < 2 || shown == digits))
            << bits << " bits radix " << radix << " flags " << flags << ": " << text;
    }
    EXPECT_TRUE(db.win.messages.empty());
}

}  // namespace
}  // namespace kiv
