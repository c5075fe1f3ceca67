// SPDX-License-Identifier: GPL-3.0-or-later
// Integer mode. Words are worked one byte at a time, least significant
// first; only the low `bytes` bytes of a Word are read. Functions that build
// a new Word leave the bytes above the word zero.
#include "engine/integer.h"

#include <cmath>
#include <cstring>
#include <string>

#include "engine/stack.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "window/messages.h"

namespace kiv {

namespace {

// A byte count outside 1..16 would index past the Word; clamp it.
int Fit(int bytes) {
    return bytes < 1 ? 1 : (bytes > 16 ? 16 : bytes);
}

// Index of the highest nonzero byte + 1 (0 for zero).
int SignificantBytes(const Word& w, int n) {
    while (n > 0 && w.b[n - 1] == 0) --n;
    return n;
}

// Makes the magnitude of a signed negative word; returns whether it was
// negative. The most negative word stays as it is, which read unsigned is
// its magnitude.
bool TakeMagnitude(Word* w, int n, bool isSigned) {
    if (!isSigned || !WordSignBit(*w, n)) return false;
    WordNegate(w, n);
    return true;
}

}  // namespace

bool WordIsZero(const Word& w, int bytes) {
    bytes = Fit(bytes);
    for (int i = 0; i < bytes; ++i)
        if (w.b[i]) return false;
    return true;
}

bool WordSignBit(const Word& w, int bytes) {
    return (w.b[Fit(bytes) - 1] & 0x80) != 0;
}

bool WordAdd(const Word& a, const Word& b, Word* sum, int bytes, bool isSigned) {
    int n = Fit(bytes);
    Word r;
    unsigned carry = 0;
    for (int i = 0; i < n; ++i) {
        unsigned s = unsigned(a.b[i]) + b.b[i] + carry;
        r.b[i] = uint8_t(s);
        carry = s >> 8;
    }
    bool overflow;
    if (isSigned) {
        // The carry into the sign bit is the sign bit of a xor b xor sum.
        unsigned intoSign = ((a.b[n - 1] ^ b.b[n - 1] ^ r.b[n - 1]) >> 7) & 1;
        overflow = intoSign != carry;
    } else {
        overflow = carry != 0;
    }
    *sum = r;
    return overflow;
}

bool WordSubtract(const Word& a, const Word& b, Word* diff, int bytes, bool isSigned) {
    int n = Fit(bytes);
    // a + not(b) + 1 in one pass, so that negating the most negative b does
    // not lose the carry.
    Word r;
    unsigned carry = 1;
    for (int i = 0; i < n; ++i) {
        unsigned s = unsigned(a.b[i]) + uint8_t(~b.b[i]) + carry;
        r.b[i] = uint8_t(s);
        carry = s >> 8;
    }
    bool overflow;
    if (isSigned) {
        // Outside the range exactly when the operands' signs differ and the
        // result's sign differs from a's.
        bool sa = a.b[n - 1] & 0x80, sb = b.b[n - 1] & 0x80, sr = r.b[n - 1] & 0x80;
        overflow = sa != sb && sr != sa;
    } else {
        overflow = carry == 0;  // borrow: a < b
    }
    *diff = r;
    return overflow;
}

void WordNegate(Word* w, int bytes) {
    int n = Fit(bytes);
    unsigned carry = 1;
    for (int i = 0; i < n; ++i) {
        unsigned s = uint8_t(~w->b[i]) + carry;
        w->b[i] = uint8_t(s);
        carry = s >> 8;
    }
}

bool WordMultiplySmall(Word* w, int m, int bytes) {
    int n = Fit(bytes);
    unsigned f = unsigned(m) & 0xFF, carry = 0;
    for (int i = 0; i < n; ++i) {
        unsigned p = unsigned(w->b[i]) * f + carry;
        w->b[i] = uint8_t(p);
        carry = p >> 8;
    }
    return carry != 0;
}

bool WordAddSmall(Word* w, int m, int bytes) {
    int n = Fit(bytes);
    unsigned carry = unsigned(m) & 0xFF;
    for (int i = 0; i < n && carry; ++i) {
        unsigned s = unsigned(w->b[i]) + carry;
        w->b[i] = uint8_t(s);
        carry = s >> 8;
    }
    return carry != 0;
}

int WordDivideSmall(Word* w, int d, int bytes) {
    if (d < 1 || d > 255) return -1;  // w unchanged
    int n = Fit(bytes);
    unsigned rem = 0;
    for (int i = n - 1; i >= 0; --i) {
        unsigned cur = (rem << 8) | w->b[i];
        w->b[i] = uint8_t(cur / unsigned(d));
        rem = cur % unsigned(d);
    }
    return int(rem);
}

bool WordMultiply(const Word& a, const Word& b, Word* product, int bytes, bool isSigned) {
    int n = Fit(bytes);
    Word x = a, y = b;
    bool negative = TakeMagnitude(&x, n, isSigned) != TakeMagnitude(&y, n, isSigned);
    Word p;
    bool overflow = false;
    for (int j = 0; j < n; ++j) {
        unsigned xj = x.b[j];
        if (xj == 0) continue;
        unsigned carry = 0;
        for (int k = 0; k < n; ++k) {
            if (j + k >= n) {
                if (y.b[k]) overflow = true;
                continue;
            }
            unsigned s = xj * y.b[k] + p.b[j + k] + carry;
            p.b[j + k] = uint8_t(s);
            carry = s >> 8;
        }
        if (carry) overflow = true;
    }
    if (isSigned && !overflow) {
        // The magnitude fits in n bytes; it must also fit the signed range:
        // below 2^(bits-1), or equal to it for a negative product.
        if (p.b[n - 1] & 0x80) {
            bool exactlyMin = (p.b[n - 1] == 0x80) && SignificantBytes(p, n - 1) == 0;
            if (!(negative && exactlyMin)) overflow = true;
        }
    }
    if (negative) WordNegate(&p, n);
    *product = p;
    return overflow;
}

bool WordDivide(const Word& a, const Word& b, Word* quotient, Word* remainder, int bytes,
                bool isSigned) {
    int n = Fit(bytes);
    Word u = a, v = b;
    bool negDividend = TakeMagnitude(&u, n, isSigned);
    bool negDivisor = TakeMagnitude(&v, n, isSigned);
    int m = SignificantBytes(v, n);
    if (m == 0) return false;
    for (int i = n; i < 16; ++i) u.b[i] = 0;

    Word q, r;
    if (m == 1) {
        q = u;
        r.b[0] = uint8_t(WordDivideSmall(&q, v.b[0], n));
    } else {
        // Long division in base 256 with the divisor normalised so that its
        // top byte has the high bit set; the estimate from the top two
        // remainder bytes is then at most two too large.
        int shift = 0;
        while (!(v.b[m - 1] & (0x80 >> shift))) ++shift;
        uint8_t vn[16] = {}, un[17] = {};
        for (int i = m - 1; i >= 0; --i) {
            unsigned hi = unsigned(v.b[i]) << shift;
            unsigned lo = (shift && i > 0) ? (v.b[i - 1] >> (8 - shift)) : 0;
            vn[i] = uint8_t(hi | lo);
        }
        un[n] = shift ? uint8_t(u.b[n - 1] >> (8 - shift)) : 0;
        for (int i = n - 1; i >= 0; --i) {
            unsigned hi = unsigned(u.b[i]) << shift;
            unsigned lo = (shift && i > 0) ? (u.b[i - 1] >> (8 - shift)) : 0;
            un[i] = uint8_t(hi | lo);
        }
        for (int j = n - m; j >= 0; --j) {
            unsigned top = (unsigned(un[j + m]) << 8) | un[j + m - 1];
            unsigned qhat = top / vn[m - 1];
            if (qhat > 255) qhat = 255;
            // Decrease the estimate until divisor x estimate fits under the
            // current partial remainder un[j .. j+m].
            for (;;) {
                uint8_t prod[17] = {};
                unsigned carry = 0;
                for (int i = 0; i < m; ++i) {
                    unsigned p = unsigned(vn[i]) * qhat + carry;
                    prod[i] = uint8_t(p);
                    carry = p >> 8;
                }
                prod[m] = uint8_t(carry);
                int cmp = 0;
                for (int i = m; i >= 0 && cmp == 0; --i)
                    if (prod[i] != un[j + i]) cmp = prod[i] > un[j + i] ? 1 : -1;
                if (cmp > 0) {
                    --qhat;
                    continue;
                }
                unsigned borrow = 0;
                for (int i = 0; i <= m; ++i) {
                    int d = int(un[j + i]) - int(prod[i]) - int(borrow);
                    borrow = d < 0;
                    un[j + i] = uint8_t(d + (borrow ? 256 : 0));
                }
                break;
            }
            q.b[j] = uint8_t(qhat);
        }
        // Denormalise the remainder, which sits in un[0 .. m-1].
        for (int i = 0; i < m; ++i) {
            unsigned lo = unsigned(un[i]) >> shift;
            unsigned hi = shift ? (unsigned(un[i + 1]) << (8 - shift)) & 0xFF : 0;
            r.b[i] = uint8_t(lo | hi);
        }
    }
    if (negDividend != negDivisor) WordNegate(&q, n);
    if (negDividend) WordNegate(&r, n);
    for (int i = n; i < 16; ++i) q.b[i] = r.b[i] = 0;
    *quotient = q;
    if (remainder) *remainder = r;
    return true;
}

Word WordShift(const Word& w, int k, int bytes, bool isSigned) {
    int n = Fit(bytes), bits = 8 * n;
    uint8_t fill = isSigned && WordSignBit(w, n) ? 0xFF : 0x00;
    // Bytes below the word read as 0 (bits entering from the right), bytes
    // above it as the fill (bits entering from the left).
    auto byteAt = [&](int idx) -> unsigned { return idx < 0 ? 0 : (idx >= n ? fill : w.b[idx]); };
    int kk = k > bits ? bits : (k < -bits ? -bits : k);  // beyond: all 0 or all fill
    Word r;
    for (int i = 0; i < n; ++i) {
        int src = 8 * i - kk;  // output bit 8i takes input bit src
        int q = src >= 0 ? src / 8 : -((-src + 7) / 8), off = src - 8 * q;
        r.b[i] = uint8_t(((byteAt(q + 1) << 8) | byteAt(q)) >> off);
    }
    return r;
}

Word WordRotate(const Word& w, int k, int bytes) {
    int n = Fit(bytes), bits = 8 * n;
    int s = int(((int64_t(k) % bits) + bits) % bits);
    if (s == 0) return WordShift(w, 0, n, false);
    Word left = WordShift(w, s, n, false), right = WordShift(w, s - bits, n, false);
    for (int i = 0; i < n; ++i) left.b[i] |= right.b[i];
    return left;
}

Word WordMask(int k, int bytes) {
    int n = Fit(bytes), bits = 8 * n;
    int64_t kk = k;
    // The number of low bits set; a high mask is the complement of a low one.
    int64_t low = kk >= 0 ? kk : bits + kk;
    low = low < 0 ? 0 : (low > bits ? bits : low);
    Word r;
    for (int i = 0; i < n; ++i) {
        int64_t inByte = low - 8 * i;
        r.b[i] = inByte >= 8 ? 0xFF : (inByte <= 0 ? 0 : uint8_t((1u << inByte) - 1));
        if (kk < 0) r.b[i] = uint8_t(~r.b[i]);
    }
    return r;
}

Word WordByteSwap(const Word& w, int bytes) {
    int n = Fit(bytes);
    Word r;
    for (int i = 0; i < n; ++i) r.b[i] = w.b[n - 1 - i];
    return r;
}

double WordToReal(const Word& w, int bytes, bool isSigned) {
    int n = Fit(bytes);
    Word x = w;
    bool negative = TakeMagnitude(&x, n, isSigned);
    // One conversion of the whole magnitude, so that it is rounded once.
    unsigned __int128 mag = 0;
    for (int i = n - 1; i >= 0; --i) mag = (mag << 8) | x.b[i];
    double d = double(mag);
    return negative ? -d : d;
}

bool WordFromReal(double x, Word* w, int bytes) {
    int n = Fit(bytes);
    *w = Word{};
    if (!std::isfinite(x)) return true;  // no bits to keep: zero, overflowed
    // std::round is exact; floor(|x| + 0.5) would round 0.49999999999999994
    // and odd integers above 2^52 up.
    double a = std::round(std::fabs(x));
    for (int i = 0; i < n; ++i) {
        if (a == 0) break;
        w->b[i] = uint8_t(std::fmod(a, 256.0));
        a = std::floor(a * 0.00390625);
    }
    if (x < 0) WordNegate(w, n);
    return a >= 1.0;
}

bool IntegerToCount(const Word& w, int bytes, int32_t* count) {
    int n = Fit(bytes);
    Word mag = w;
    bool negative = TakeMagnitude(&mag, n, true);
    bool fits = SignificantBytes(mag, n) <= 4 && !(n >= 4 && (mag.b[3] & 0x80));
    if (!fits) {
        ShowCodedMessage(MSG_TOO_LARGE);
        return false;
    }
    uint32_t v = 0;
    for (int i = (n < 4 ? n : 4) - 1; i >= 0; --i) v = (v << 8) | mag.b[i];
    *count = negative ? -int32_t(v) : int32_t(v);
    return true;
}

void OverflowWarning() {
    if (State::warnOverflow()) ShowCodedMessage(MSG_OVERFLOW);
}

namespace {

// The current word in bytes; a stored size that is not one of the five
// falls back to the default 32 bits rather than indexing past a word.
int BytesOf(int bits) {
    switch (bits) {
        case 8:
        case 16:
        case 32:
        case 64:
        case 128:
            return bits / 8;
        default:
            return 4;
    }
}
int CurrentBytes() {
    return BytesOf(State::wordSize());
}

// An argument's word. Only integers are expected in integer mode; a real
// that got there is converted rather than read as bytes.
Word ArgWord(const Value& v, int n) {
    Word w;
    if (v.isInt()) {
        std::memcpy(w.b, v.word(), 16);
    } else {
        WordFromReal(v.real(), &w, n);
    }
    return w;
}

Value IntValue(const Word& w) {
    return Value::Int(w.b);
}

// A consumed argument's unit (a real's only) is not carried on.
void Consume(const Value& v) {
    DeleteExpression(OwnedUnit(v));
}

// Pops X then Y; on a missing Y, X goes back.
bool PopTwo(Value* x, Value* y) {
    if (!Pop(x)) return false;
    if (!Pop(y)) {
        Push(*x);
        return false;
    }
    return true;
}

void Restore(const Value& y, const Value& x) {
    Push(y);
    Push(x);
    ForgetSavedArguments();
}

void Arithmetic(IntOp op, int n, bool sg) {
    SaveArguments(2);
    Value x, y;
    if (!PopTwo(&x, &y)) return;
    Word a = ArgWord(y, n), b = ArgWord(x, n), r, rem;
    bool overflow = false;
    switch (op) {
        case IntOp::Add:
            overflow = WordAdd(a, b, &r, n, sg);
            break;
        case IntOp::Subtract:
            overflow = WordSubtract(a, b, &r, n, sg);
            break;
        case IntOp::Multiply:
            overflow = WordMultiply(a, b, &r, n, sg);
            break;
        default:
            if (!WordDivide(a, b, &r, &rem, n, sg)) {
                Restore(y, x);
                ShowCodedMessage(MSG_DIVIDE_ZERO);
                return;
            }
            if (op == IntOp::Mod) r = rem;
            break;
    }
    Consume(x);
    Consume(y);
    Push(IntValue(r));
    if (overflow) OverflowWarning();
}

void Logical(IntOp op, bool alt, int n) {
    SaveArguments(2);
    Value x, y;
    if (!PopTwo(&x, &y)) return;
    Word a = ArgWord(y, n), b = ArgWord(x, n), r;
    for (int i = 0; i < n; ++i) {
        uint8_t bx = alt ? uint8_t(~b.b[i]) : b.b[i];
        r.b[i] = op == IntOp::And ? (a.b[i] & bx) : op == IntOp::Or ? (a.b[i] | bx) : (a.b[i] ^ bx);
    }
    Consume(x);
    Consume(y);
    Push(IntValue(r));
}

Word OneArgResult(IntOp op, const Word& w, int n, bool sg) {
    switch (op) {
        case IntOp::Negate: {
            Word r = w;
            WordNegate(&r, n);
            for (int i = n; i < 16; ++i) r.b[i] = 0;
            return r;
        }
        case IntOp::Not: {
            Word r;
            for (int i = 0; i < n; ++i) r.b[i] = uint8_t(~w.b[i]);
            return r;
        }
        case IntOp::ByteSwap:
            return WordByteSwap(w, n);
        case IntOp::ShiftLeft:
            return WordShift(w, 1, n, sg);
        case IntOp::ShiftRight:
            return WordShift(w, -1, n, sg);
        case IntOp::RotateLeft:
            return WordRotate(w, 1, n);
        default:
            return WordRotate(w, -1, n);
    }
}

void OneArgument(IntOp op, int n, bool sg) {
    SaveArguments(1);
    Value x;
    if (!Pop(&x)) return;
    Word r = OneArgResult(op, ArgWord(x, n), n, sg);
    Consume(x);
    Push(IntValue(r));
}

// "s2<", "s2>", "r2<", "r2>": Y moved by the count in X.
void ShiftByCount(IntOp op, int n, bool sg) {
    SaveArguments(2);
    Value x, y;
    if (!Pop(&x)) return;
    int32_t count;
    if (!IntegerToCount(ArgWord(x, n), n, &count)) {
        ForgetSavedArguments();
        Push(x);
        return;
    }
    if (!Pop(&y)) {
        ForgetSavedArguments();
        Push(x);
        return;
    }
    Word w = ArgWord(y, n), r;
    switch (op) {
        case IntOp::ShiftLeft:
            r = WordShift(w, count, n, sg);
            break;
        case IntOp::ShiftRight:
            r = WordShift(w, -count, n, sg);
            break;
        case IntOp::RotateLeft:
            r = WordRotate(w, count, n);
            break;
        default:
            r = WordRotate(w, -count, n);
            break;
    }
    Consume(x);
    Consume(y);
    Push(IntValue(r));
}

// "m>", "m<" (one argument) and "m2>", "m2<" (count in X, position in Y).
void Mask(IntOp op, bool alt, int n, bool sg) {
    SaveArguments(alt ? 2 : 1);
    Value x, y;
    if (!Pop(&x)) return;
    int32_t c;
    if (!IntegerToCount(ArgWord(x, n), n, &c)) {
        ForgetSavedArguments();
        Push(x);
        return;
    }
    // A count's magnitude is below 2^31, so -c cannot overflow.
    Word mask = WordMask(op == IntOp::MaskLow ? c : -c, n);
    if (alt) {
        if (!Pop(&y)) {
            ForgetSavedArguments();
            Push(x);
            return;
        }
        int32_t p;
        if (!IntegerToCount(ArgWord(y, n), n, &p)) {
            Restore(y, x);
            return;
        }
        mask = WordShift(mask, op == IntOp::MaskLow ? p : -p, n, sg);
        Consume(y);
    }
    Consume(x);
    Push(IntValue(mask));
}

// Refits a word from `from` to `to` bytes; true when a lost bit was 1.
bool Refit(Word* w, int from, int to, bool sg) {
    bool lost = false;
    if (to < from) {
        for (int i = to; i < from; ++i) lost = lost || w->b[i] != 0;
    } else {
        uint8_t fill = sg && WordSignBit(*w, from) ? 0xFF : 0x00;
        for (int i = from; i < to; ++i) w->b[i] = fill;
    }
    for (int i = to; i < 16; ++i) w->b[i] = 0;
    return lost;
}

int StackEntries() {
    int top = State::stackTop(), size = State::stackSize();
    return top < 0 ? 0 : (top >= size ? size : top + 1);
}

}  // namespace

void ApplyIntOp(IntOp op, bool alt) {
    int n = CurrentBytes();
    bool sg = State::signedInts();
    switch (op) {
        case IntOp::Add:
        case IntOp::Subtract:
        case IntOp::Multiply:
        case IntOp::Divide:
        case IntOp::Mod:
            Arithmetic(op, n, sg);
            break;
        case IntOp::And:
        case IntOp::Or:
        case IntOp::Xor:
            Logical(op, alt, n);
            break;
        case IntOp::Negate:
        case IntOp::Not:
        case IntOp::ByteSwap:
            OneArgument(op, n, sg);
            break;
        case IntOp::ShiftLeft:
        case IntOp::ShiftRight:
        case IntOp::RotateLeft:
        case IntOp::RotateRight:
            if (alt) {
                ShiftByCount(op, n, sg);
            } else {
                OneArgument(op, n, sg);
            }
            break;
        case IntOp::MaskLow:
        case IntOp::MaskHigh:
            Mask(op, alt, n, sg);
            break;
    }
}

namespace {

// Whether the conversion of a switch between the modes changes v: a real
// loses its unit, its fraction or what does not fit the word; an integer
// the digits a double cannot hold.
bool ChangedBySwitch(const Value& v, bool toInt, int n, bool sg) {
    Word w;
    if (toInt) {
        if (!v.isReal()) return false;
        if (v.unit() != NULL_UID) return true;
        WordFromReal(v.real(), &w, n);
        return WordToReal(w, n, sg) != v.real();
    }
    if (!v.isInt()) return false;
    std::memcpy(w.b, v.word(), 16);
    Word back;
    WordFromReal(WordToReal(w, n, sg), &back, n);
    return std::memcmp(back.b, w.b, size_t(n)) != 0;
}

}  // namespace

int ValuesChangedBySwitch(int radix) {
    const int old = State::radix();
    const bool toInt = old == 0 && radix != 0;
    if (!toInt && !(old != 0 && radix == 0)) return 0;
    const int n = CurrentBytes();
    const bool sg = State::signedInts();
    int changed = 0;
    for (int i = 0, e = StackEntries(); i < e; ++i)
        changed += ChangedBySwitch(State::stackEntry(i), toInt, n, sg);
    for (int i = 0; i < so::kMemoryCount; ++i)
        changed += ChangedBySwitch(State::memory(i), toInt, n, sg);
    return changed;
}

bool SwitchRadix(int radix) {
    if (radix != 0 && (radix < 2 || radix > 36)) {
        ShowCodedMessage(MSG_BASE_RANGE);
        return false;
    }
    int old = State::radix();
    bool toReal = old != 0 && radix == 0, toInt = old == 0 && radix != 0;
    // The conversion cannot be undone: a switch that would change values
    // asks first.
    if (const int changed = ValuesChangedBySwitch(radix); changed > 0) {
        const std::string count = std::to_string(changed) + (changed == 1 ? " value" : " values");
        const char* what = toInt ? "integer mode keeps no units or fractions, and only what fits "
                                   "the word"
                                 : "floating mode keeps about 16 significant digits";
        if (ShowCodedMessage(MSG_SWITCH_CHANGES, count.c_str(), what) != 0) return false;
    }
    if (toReal || toInt) {
        int n = CurrentBytes();
        bool sg = State::signedInts(), overflow = false;
        auto convert = [&](Value v) {
            if (toReal && v.isInt()) {
                Word w;
                std::memcpy(w.b, v.word(), 16);
                return Value::Real(WordToReal(w, n, sg), NULL_UID);
            }
            if (toInt && v.isReal()) {
                Word w;
                overflow = WordFromReal(v.real(), &w, n) || overflow;
                DeleteExpression(v.unit());
                return IntValue(w);
            }
            return v;
        };
        for (int i = 0, e = StackEntries(); i < e; ++i)
            State::setStackEntry(i, convert(State::stackEntry(i)));
        for (int i = 0; i < so::kMemoryCount; ++i) State::setMemory(i, convert(State::memory(i)));
        if (overflow) OverflowWarning();
    }
    ForgetSavedArguments();
    State::setRadix(uint8_t(radix));
    State::setUnitKeypad(0);
    UpdateMenuState();
    return true;
}

void ChangeWordSize(int bits) {
    if (BytesOf(bits) * 8 != bits) return;  // not one of the five sizes
    int from = CurrentBytes(), to = bits / 8;
    State::setWordSize(uint8_t(bits));
    bool sg = State::signedInts(), lost = false;
    auto refit = [&](Value v, bool* lostBit) {
        if (!v.isInt()) return v;
        Word w;
        std::memcpy(w.b, v.word(), 16);
        if (Refit(&w, from, to, sg) && lostBit) *lostBit = true;
        return IntValue(w);
    };
    for (int i = 0, e = StackEntries(); i < e; ++i)
        State::setStackEntry(i, refit(State::stackEntry(i), &lost));
    for (int i = 0; i < so::kMemoryCount; ++i) State::setMemory(i, refit(State::memory(i), &lost));
    // Saved arguments go back onto the stack on Undo, so they are refitted
    // too (silently: they are not on show).
    for (int i = 0, c = State::savedCount(); i < c && i < 2; ++i)
        State::setSaved(i, refit(State::saved(i), nullptr));
    if (lost) OverflowWarning();
}

}  // namespace kiv
