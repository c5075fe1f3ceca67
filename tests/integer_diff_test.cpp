// Differential test of the word arithmetic: for every word size and both
// signednesses, random operand pairs biased to edge values are checked
// against a reference on unsigned __int128 (results, remainders and exactly
// when overflow is reported). The 128-bit multiply is checked against a full
// 256-bit product built from 64-bit limbs.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "engine/integer.h"

namespace kiv {
namespace {

using u128 = unsigned __int128;
using s128 = __int128;

Word W(u128 v) {
    Word w;
    for (int i = 0; i < 16; ++i) w.b[i] = uint8_t(v >> (8 * i));
    return w;
}
u128 V(const Word& w, int n) {
    u128 v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | w.b[i];
    return v;
}
std::string Hex(u128 v) {
    char buf[40];
    snprintf(buf, sizeof buf, "%016llx%016llx", (unsigned long long)(v >> 64),
             (unsigned long long)v);
    return buf;
}

struct Width {
    int n, bits;
    u128 mask, signBit;
    explicit Width(int bytes)
        : n(bytes),
          bits(8 * bytes),
          mask(bytes == 16 ? ~u128(0) : (u128(1) << (8 * bytes)) - 1),
          signBit(u128(1) << (8 * bytes - 1)) {}
    bool negative(u128 v) const { return (v & signBit) != 0; }
    // The signed reading; exact for every width since s128 holds 128 bits.
    s128 toSigned(u128 v) const {
        return negative(v) && bits < 128 ? s128(v) - (s128(1) << bits) : s128(v);
    }
    s128 minS() const { return bits == 128 ? s128(signBit) : -(s128(1) << (bits - 1)); }
    s128 maxS() const { return s128(signBit - 1); }
};

// Full 256-bit product of two 128-bit magnitudes: hi:lo.
void Mul256(u128 a, u128 b, u128* hi, u128* lo) {
    uint64_t a0 = uint64_t(a), a1 = uint64_t(a >> 64), b0 = uint64_t(b), b1 = uint64_t(b >> 64);
    u128 p00 = u128(a0) * b0, p01 = u128(a0) * b1, p10 = u128(a1) * b0, p11 = u128(a1) * b1;
    u128 mid = (p00 >> 64) + uint64_t(p01) + uint64_t(p10);
    *lo = (mid << 64) | uint64_t(p00);
    *hi = p11 + (p01 >> 64) + (p10 >> 64) + (mid >> 64);
}

struct Ref {
    u128 value;
    bool overflow;
};

Ref RefAdd(const Width& w, u128 a, u128 b, bool sg) {
    u128 r = (a + b) & w.mask;
    if (!sg) return {r, w.bits == 128 ? r < a : (a + b) > w.mask};
    s128 sa = w.toSigned(a), sb = w.toSigned(b), t;
    bool ov = __builtin_add_overflow(sa, sb, &t) || t < w.minS() || t > w.maxS();
    return {r, ov};
}

Ref RefSub(const Width& w, u128 a, u128 b, bool sg) {
    u128 r = (a - b) & w.mask;
    if (!sg) return {r, a < b};
    s128 sa = w.toSigned(a), sb = w.toSigned(b), t;
    bool ov = __builtin_sub_overflow(sa, sb, &t) || t < w.minS() || t > w.maxS();
    return {r, ov};
}

Ref RefMul(const Width& w, u128 a, u128 b, bool sg) {
    u128 r = (a * b) & w.mask;
    bool negA = sg && w.negative(a), negB = sg && w.negative(b);
    u128 ma = negA ? (-a & w.mask) : a, mb = negB ? (-b & w.mask) : b;
    u128 hi, lo;
    Mul256(ma, mb, &hi, &lo);
    // The true product's magnitude is hi:lo; compare with the range bound.
    bool ov;
    if (!sg) {
        ov = hi != 0 || lo > w.mask;
    } else {
        u128 limit = (negA != negB) ? w.signBit : w.signBit - 1;
        ov = (hi != 0 || lo > limit) && !(hi == 0 && lo == 0);
    }
    return {r, ov};
}

void RefDiv(const Width& w, u128 a, u128 b, bool sg, u128* q, u128* r) {
    if (!sg) {
        *q = a / b;
        *r = a % b;
        return;
    }
    s128 sa = w.toSigned(a), sb = w.toSigned(b);
    if (w.bits == 128 && sa == w.minS() && sb == -1) {
        *q = a;
        *r = 0;
        return;
    }
    *q = u128(sa / sb) & w.mask;
    *r = u128(sa % sb) & w.mask;
}

u128 RefShift(const Width& w, u128 v, int k, bool sg) {
    if (k >= 0) return k >= w.bits ? 0 : (v << k) & w.mask;
    int s = -k;
    if (sg && w.negative(v)) {
        s128 sv = w.toSigned(v);
        return u128(sv >> (s >= w.bits ? w.bits - 1 : s)) & w.mask;
    }
    return s >= w.bits ? 0 : v >> s;
}

u128 RefRotate(const Width& w, u128 v, int k) {
    int s = ((k % w.bits) + w.bits) % w.bits;
    if (s == 0) return v;
    return ((v << s) | (v >> (w.bits - s))) & w.mask;
}

u128 RefMask(const Width& w, int k) {
    int c = k < 0 ? -k : k;
    if (c >= w.bits) return w.mask;
    u128 low = (u128(1) << c) - 1;
    return k < 0 ? low << (w.bits - c) : low;
}

// Operands biased to where word arithmetic goes wrong.
class Gen {
  public:
    Gen(const Width& w, uint64_t seed) : w_(w), rng_(seed) {}
    u128 next() {
        switch (pick(8)) {
            case 0: {
                const u128 edges[] = {
                    0, 1, w_.mask, w_.mask - 1, w_.signBit, w_.signBit - 1, w_.signBit + 1, 2};
                return edges[pick(8)];
            }
            case 1: {
                u128 p = u128(1) << pick(w_.bits);
                int d = pick(3);
                return (d == 0 ? p : d == 1 ? p + 1 : p - 1) & w_.mask;
            }
            case 2:
                return (-(u128(1) << pick(w_.bits)) + pick(5)) & w_.mask;
            case 3: {  // bytes drawn from a few stressful values
                const uint8_t bytes[] = {0, 1, 0x7F, 0x80, 0xFF, 0xFE};
                u128 v = 0;
                for (int i = 0; i < w_.n; ++i) v |= u128(bytes[pick(6)]) << (8 * i);
                return v;
            }
            case 4:
                return raw() & ((u128(1) << pick(w_.bits)) - 1);  // short values
            case 5:
                return raw() >> pick(w_.bits) & w_.mask;
            default:
                return raw() & w_.mask;
        }
    }
    int pick(int n) { return int(rng_() % uint64_t(n)); }
    int count() { return pick(2 * w_.bits + 21) - w_.bits - 10; }

  private:
    u128 raw() { return (u128(rng_()) << 64) | rng_(); }
    Width w_;
    std::mt19937_64 rng_;
};

class IntegerDiff : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(IntegerDiff, MatchesReference) {
    const int n = std::get<0>(GetParam());
    const bool sg = std::get<1>(GetParam());
    const Width w(n);
    Gen gen(w, 0x5eed0000u + uint64_t(n) * 2 + sg);
    int failures = 0;
    auto check = [&](const char* op, u128 a, u128 b, u128 got, u128 want, bool gotOv, bool wantOv) {
        if (got == want && gotOv == wantOv) return;
        ADD_FAILURE() << op << " a=" << Hex(a) << " b=" << Hex(b) << " got " << Hex(got)
                      << (gotOv ? " (overflow)" : "") << " want " << Hex(want)
                      << (wantOv ? " (overflow)" : "");
        ++failures;
    };
    for (int iter = 0; iter < 6000 && failures < 10; ++iter) {
        u128 a = gen.next(), b = gen.next();
        Word wa = W(a), wb = W(b), r, rem;
        // Bytes above the word must never be read.
        for (int i = n; i < 16; ++i) wa.b[i] = wb.b[i] = uint8_t(0xA5 + i);

        Ref ref = RefAdd(w, a, b, sg);
        bool ov = WordAdd(wa, wb, &r, n, sg);
        check("add", a, b, V(r, n), ref.value, ov, ref.overflow);

        ref = RefSub(w, a, b, sg);
        ov = WordSubtract(wa, wb, &r, n, sg);
        check("subtract", a, b, V(r, n), ref.value, ov, ref.overflow);

        ref = RefMul(w, a, b, sg);
        ov = WordMultiply(wa, wb, &r, n, sg);
        check("multiply", a, b, V(r, n), ref.value, ov, ref.overflow);

        if (b == 0) {
            EXPECT_FALSE(WordDivide(wa, wb, &r, &rem, n, sg));
        } else {
            u128 q, m;
            RefDiv(w, a, b, sg, &q, &m);
            bool ok = WordDivide(wa, wb, &r, &rem, n, sg);
            check("divide ok", a, b, ok, 1, false, false);
            check("quotient", a, b, V(r, n), q, false, false);
            check("remainder", a, b, V(rem, n), m, false, false);
        }

        int k = gen.count();
        check("shift", a, u128(k), V(WordShift(wa, k, n, sg), n), RefShift(w, a, k, sg), false,
              false);
        check("rotate", a, u128(k), V(WordRotate(wa, k, n), n), RefRotate(w, a, k), false, false);

        check("mask", u128(k), 0, V(WordMask(k, n), n), RefMask(w, k), false, false);

        Word neg = wa;
        WordNegate(&neg, n);
        check("negate", a, 0, V(neg, n), -a & w.mask, false, false);
    }
}

INSTANTIATE_TEST_SUITE_P(AllWidths, IntegerDiff,
                         ::testing::Combine(::testing::Values(1, 2, 4, 8, 16), ::testing::Bool()),
                         [](const auto& info) {
                             return std::to_string(8 * std::get<0>(info.param)) +
                                    (std::get<1>(info.param) ? "Signed" : "Unsigned");
                         });

// The reference itself, on products whose overflow is known.
TEST(IntegerDiffReference, Mul256Known) {
    u128 hi, lo;
    Mul256(~u128(0), ~u128(0), &hi, &lo);
    EXPECT_EQ(hi, ~u128(0) - 1);
    EXPECT_EQ(lo, u128(1));
    Width w(16);
    EXPECT_FALSE(RefMul(w, w.signBit, 1, true).overflow);
    EXPECT_TRUE(RefMul(w, w.signBit, w.mask, true).overflow);  // MIN x -1
    EXPECT_FALSE(RefMul(w, u128(1) << 64, u128(1) << 63, false).overflow);
    EXPECT_TRUE(RefMul(w, u128(1) << 64, u128(1) << 64, false).overflow);
}

}  // namespace
}  // namespace kiv
