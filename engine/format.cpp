// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/format.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "storage/state.h"
#include "units/unittext.h"
#include "window/messages.h"

namespace kiv {
namespace {

enum DisplayMode { Standard = 0, Fixed = 1, Scientific = 2, Engineering = 3 };

constexpr int kNoLimit = INT_MAX;    // width given to a form without a limit
constexpr int kDigitRoom = 79;       // the positional form's digit string
constexpr int kSuffixRoom = 39;      // " " and the unit text, with the zero
constexpr int kFailedWidth = 32000;  // width of a fallback candidate that failed
const char kEllipsis[] = "...";

int Width(const char* text, int n, const FontPair* pair) {
    return pair ? MeasureText(text, n, *pair) : 0;
}

// Copies a failure text when it fits.
void WriteText(char* dest, int size, const char* text) {
    if (size <= 0) return;
    const int n = std::min<int>(int(std::strlen(text)), size - 1);
    std::memcpy(dest, text, size_t(n));
    dest[n] = '\0';
}

// Round and copy: keeps the text up to d characters after the decimal-point
// code of `digits` (which holds at least d + 1 fraction digits), rounding
// half up on the first dropped digit, with group separators in the integer
// part. False when the result (and its zero) does not fit in `size`.
bool RoundAndCopy(const char* digits, int codePos, int d, int group, char* dest, int size) {
    char out[kDigitRoom * 2 + 4];
    int o = 0;
    const int last = codePos + d;
    int carry = digits[last + 1] >= '5' ? 1 : 0;
    int intDigits = 0;  // integer digits written so far, from the code leftwards
    for (int i = last; i >= 0; --i) {
        char c = digits[i];
        if (uint8_t(c) != DECIMAL_MARK) {
            int v = (c - '0') + carry;
            carry = v / 10;
            c = char('0' + v % 10);
        }
        if (i < codePos) {
            if (group > 0 && intDigits > 0 && intDigits % group == 0) out[o++] = GroupSeparator();
            ++intDigits;
        }
        out[o++] = c;
    }
    if (carry) {
        if (group > 0 && intDigits > 0 && intDigits % group == 0) out[o++] = GroupSeparator();
        out[o++] = '1';
    }
    if (o + 1 > size) return false;
    for (int i = 0; i < o; ++i) dest[i] = out[o - 1 - i];
    dest[o] = '\0';
    return true;
}

void StripZeros(char* s) {
    int n = int(std::strlen(s));
    while (n > 0 && s[n - 1] == '0') --n;
    if (n > 0 && uint8_t(s[n - 1]) == DECIMAL_MARK) --n;
    s[n] = '\0';
}

bool PositionalForm(char* dest, int size, double x, int d, bool strip, int group, int width,
                    const FontPair* pair) {
    if (size <= 0 || !(std::fabs(x) <= 1e16)) return false;
    char* out = dest;
    int room = size;
    if (x < 0) {
        if (room < 2) return false;
        *out++ = '-';
        --room;
        x = -x;
    }
    const double ip = std::floor(x);
    double f = x - ip;

    // Integer digits, exactly: below 10^16 the integer part fits a 64-bit word.
    char digits[kDigitRoom + 1];
    int n = 0;
    uint64_t i = uint64_t(ip);
    do {
        digits[n++] = char('0' + i % 10);
        i /= 10;
    } while (i > 0);
    std::reverse(digits, digits + n);
    const int codePos = n;
    digits[n++] = char(DECIMAL_MARK);
    // Decimals beyond what the digit string holds carry no information; a
    // large precision setting keeps what fits rather than failing the form.
    d = std::clamp(d, 0, kDigitRoom - n - 1);
    for (int k = 0; k <= d; ++k) {
        f *= 10;
        int digit = std::min(int(f), 9);
        f -= digit;
        digits[n++] = char('0' + digit);
    }
    digits[n] = '\0';

    for (;; --d) {
        if (d < 0) return false;
        if (!RoundAndCopy(digits, codePos, d, group, out, room)) continue;
        if (strip) StripZeros(out);
        if (width != kNoLimit && Width(dest, int(std::strlen(dest)), pair) > width) continue;
        return true;
    }
}

// The exponent of x's exponent form, a multiple of m. False for zero and
// for values so small that 10^(-e) overflows: those have no exponent form.
bool FindExponent(double x, int m, int* exponent) {
    if (x == 0 || !std::isfinite(x)) return false;
    int e = int(std::floor(std::log10(std::fabs(x))));
    if (m > 1) {
        if (e >= 0) {
            e -= e % m;
        } else if (int r = (-e) % m; r != 0) {
            e = e + r - m;
        }
    }
    *exponent = e;
    return std::isfinite(std::pow(10.0, -e));
}

bool ExponentForm(char* dest, int size, double x, int d, bool strip, int m, int width,
                  const FontPair* pair) {
    int e = 0;
    if (!FindExponent(x, m, &e)) return false;
    const double mantissa = x * std::pow(10.0, -e);
    if (!std::isfinite(mantissa)) return false;
    char exp[16];
    const int expLen = std::snprintf(exp, sizeof exp, " e%d", e);
    int w = width;
    if (width != kNoLimit) w = width - Width(exp, expLen, pair);
    if (!PositionalForm(dest, size - expLen, mantissa, d, strip, 0, w, pair)) return false;
    std::strcat(dest, exp);
    return true;
}

// The unit's text after a space, or nothing when it has none or no room.
void UnitSuffix(Uid unit, char* suffix) {
    suffix[0] = '\0';
    if (unit == NULL_UID) return;
    char buf[kSuffixRoom];
    buf[0] = ' ';
    if (FormatExpression(buf + 1, kSuffixRoom - 1, unit) != 0 || buf[1] == '\0') return;
    std::memcpy(suffix, buf, kSuffixRoom);
}

// No form fitted the limit: show the narrower of the bare forms, then as much
// of the unit as fits before "...", or the number cut before "...".
void Fallback(char* dest, int size, double x, const char* suffix, int limit, int m, int group,
              const FontPair* pair) {
    char a[256], b[256];
    const int room = std::min<int>(size, int(sizeof a));
    const bool okA = PositionalForm(a, room, x, 0, true, group, kNoLimit, pair);
    const bool okB = ExponentForm(b, room, x, 0, true, m, kNoLimit, pair);
    if (!okA && !okB) return WriteText(dest, size, "?A?");
    if (limit == kNoLimit) return WriteText(dest, size, "?B?");
    const int wa = okA ? Width(a, int(std::strlen(a)), pair) : kFailedWidth;
    const int wb = okB ? Width(b, int(std::strlen(b)), pair) : kFailedWidth;
    const char* chosen = wa < wb ? a : b;

    const int ellipsisWidth = Width(kEllipsis, 3, pair);
    const int numLen = int(std::strlen(chosen));
    const int w = Width(chosen, numLen, pair);
    char out[512];
    int len = 0;
    if (w + ellipsisWidth < limit) {
        std::memcpy(out, chosen, size_t(numLen));
        len = numLen;
        const int sufLen = int(std::strlen(suffix));
        int k = 0;
        while (k < sufLen) {
            out[len + k] = suffix[k];
            std::memcpy(out + len + k + 1, kEllipsis, 3);
            if (Width(out, len + k + 4, pair) > limit) break;
            ++k;
        }
        len += k;
    } else {
        len = numLen;
        const auto cutWidth = [&](int k) {
            std::memcpy(out, chosen, size_t(k));
            std::memcpy(out + k, kEllipsis, 3);
            return Width(out, k + 3, pair);
        };
        while (len > 0 && cutWidth(len) > limit) --len;
        std::memcpy(out, chosen, size_t(len));
    }
    std::memcpy(out + len, kEllipsis, 3);
    len += 3;
    // A destination too small for the cut text keeps its leading bytes and
    // still ends in "..." so that the cut stays visible.
    if (len + 1 > size) {
        if (size < 4) return WriteText(dest, size, "?");
        len = size - 1;
        std::memcpy(out + len - 3, kEllipsis, 3);
    }
    std::memcpy(dest, out, size_t(len));
    dest[len] = '\0';
}

bool HasNonzeroDigit(const char* s) {
    for (; *s; ++s)
        if (*s >= '1' && *s <= '9') return true;
    return false;
}

char DigitChar(int v) {
    return char(v < 10 ? '0' + v : 'A' + (v - 10));
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

int WordBytes() {
    return std::clamp(State::wordSize() / 8, 1, 16);
}

}  // namespace

void FormatValue(char* dest, int size, const Value& v, int widthLimit, int precision,
                 const FontPair* pair) {
    if (v.isReal()) {
        FormatReal(dest, size, v.real(), v.unit(), widthLimit, precision, pair);
    } else if (v.isInt()) {
        Word w;
        std::memcpy(w.b, v.word(), 16);
        FormatInteger(dest, size, w, widthLimit, pair);
    }
}

void FormatReal(char* dest, int size, double x, Uid unit, int widthLimit, int precision,
                const FontPair* pair) {
    if (!dest || size <= 0) return;
    char suffix[kSuffixRoom];
    UnitSuffix(unit, suffix);
    FormatRealWithSuffix(dest, size, x, suffix, widthLimit, precision, pair);
}

std::string RealUnitSuffix(Uid unit) {
    char suffix[kSuffixRoom];
    UnitSuffix(unit, suffix);
    return suffix;
}

void FormatRealWithSuffix(char* dest, int size, double x, const char* suffix, int widthLimit,
                          int precision, const FontPair* pair) {
    if (!dest || size <= 0) return;
    dest[0] = '\0';
    if (!std::isfinite(x)) return WriteText(dest, size, "?NAN?");

    const int sufLen = int(std::strlen(suffix));
    const int mode = State::displayMode();
    const bool strip = mode != Fixed;
    const int m = mode == Engineering ? 3 : 1;
    const int group = pair ? State::groupSize(0) : 0;
    // Without a font pair nothing can be measured, so there is no limit.
    const int limit = pair && widthLimit > 0 ? widthLimit : kNoLimit;
    const int room = size - sufLen;  // the suffix always fits after the number

    bool done = false;
    const int s = limit == kNoLimit ? 0 : Width(suffix, sufLen, pair);
    if (limit == kNoLimit || s < limit) {
        const int w = limit == kNoLimit ? kNoLimit : limit - s;
        if (room > 0 && (mode == Standard || mode == Fixed) && (x == 0 || std::fabs(x) > 0.0001)) {
            done = PositionalForm(dest, room, x, precision, strip, group, w, pair);
            // Standard shows a nonzero value that rounds to zeros in its
            // exponent form rather than as a zero; Fixed asked for its
            // decimals and keeps them.
            if (done && mode == Standard && x != 0 && !HasNonzeroDigit(dest)) done = false;
        }
        if (!done && room > 0) {
            // Zero and values whose scale overflows have no exponent: they
            // show positionally, as "0".
            if (int e = 0; !FindExponent(x, m, &e)) {
                done = PositionalForm(dest, room, x, precision, strip, group, w, pair);
            } else {
                done = ExponentForm(dest, room, x, precision, strip, m, w, pair);
            }
        }
    }
    if (done) {
        std::strcat(dest, suffix);
        return;
    }
    Fallback(dest, size, x, suffix, limit, m, group, pair);
}

void FormatInteger(char* dest, int size, const Word& w, int widthLimit, const FontPair* pair) {
    if (!dest || size <= 0) return;
    dest[0] = '\0';
    int radix = State::radix();
    if (radix < 2 || radix > 36) radix = 10;
    const int bytes = WordBytes();
    const int group = State::groupSize(radix);
    const bool leading = State::padZeros();
    const int n = leading ? DigitsOfWord(bytes * 8, radix) : 0;

    Word b = w;
    const bool negative = State::signedInts() && WordSignBit(b, bytes);
    if (negative) WordNegate(&b, bytes);

    char text[512];
    const int cap = std::min<int>(size, int(sizeof text));
    int len = 0, count = 0;
    for (;;) {
        const int r = WordDivideSmall(&b, radix, bytes);
        if (len + 1 > cap) return WriteText(dest, size, "?");
        text[len++] = DigitChar(r);
        ++count;
        if (leading ? count >= n : WordIsZero(b, bytes)) break;
        if (group > 0 && count % group == 0) {
            if (len + 1 > cap) return WriteText(dest, size, "?");
            text[len++] = GroupSeparator();
        }
    }
    if (negative) {
        if (len + 1 > cap) return WriteText(dest, size, "?");
        text[len++] = '-';
    }
    if (len + 1 > cap) return WriteText(dest, size, "?");
    std::reverse(text, text + len);
    text[len] = '\0';

    if (pair && widthLimit > 0 && len > 1 && Width(text, len, pair) > widthLimit) {
        // Integers are cut on the left so that the low-order digits stay.
        char out[520];
        int from = 1;
        for (; from < len - 1; ++from) {
            std::memcpy(out, kEllipsis, 3);
            std::memcpy(out + 3, text + from, size_t(len - from));
            if (3 + len - from + 1 <= size && Width(out, 3 + len - from, pair) <= widthLimit) break;
        }
        if (3 + len - from + 1 > size) return WriteText(dest, size, "?");
        std::memcpy(dest, kEllipsis, 3);
        std::memcpy(dest + 3, text + from, size_t(len - from));
        dest[3 + len - from] = '\0';
        return;
    }
    std::memcpy(dest, text, size_t(len + 1));
}

std::string FormatValueText(const Value& v, int widthLimit, int precision, const FontPair* pair,
                            int size) {
    std::string buf(size_t(std::max(size, 1)), '\0');
    FormatValue(buf.data(), int(buf.size()), v, widthLimit, precision, pair);
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

namespace {

// 10^k in long double, as std::pow gives it; the common exponents are
// remembered, since every number typed or read from a list with an
// exponent needs one.
long double PowerOfTen(int k) {
    constexpr int kRemembered = 400;
    if (k < -kRemembered || k > kRemembered) return std::pow(10.0L, k);
    static long double power[2 * kRemembered + 1];
    static bool known[2 * kRemembered + 1];
    const size_t i = size_t(k + kRemembered);
    if (!known[i]) {
        power[i] = std::pow(10.0L, k);
        known[i] = true;
    }
    return power[i];
}

}  // namespace

const char* ParseReal(const char* text, double* dest) {
    if (!text) {
        if (dest) *dest = 0;
        return text;
    }
    const char* p = text;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    long double value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10 + (*p++ - '0');
    if (uint8_t(*p) == DECIMAL_MARK || (*p != '\0' && *p == DecimalSeparator())) {
        ++p;
        long double scale = 1;
        while (*p >= '0' && *p <= '9') {
            scale *= 0.1L;
            value += scale * (*p++ - '0');
        }
    }
    if (*p == ' ') ++p;
    if (*p == 'e') {
        ++p;
        bool negExp = false;
        if (*p == '-') {
            negExp = true;
            ++p;
        }
        int k = 0;
        while (*p >= '0' && *p <= '9') {
            if (k < 100000) k = k * 10 + (*p - '0');  // far beyond any finite result
            ++p;
        }
        // Zero stays zero whatever the exponent (0 x infinity is no number).
        if (value != 0) value *= PowerOfTen(negExp ? -k : k);
    }
    double result = double(value);
    if (!std::isfinite(result)) {
        ShowCodedMessage(MSG_TOO_LARGE);
        result = 0;
    }
    if (negative && result != 0) result = -result;
    if (dest) *dest = result;
    return p;
}

const char* ParseInteger(const char* text, int radix, Word* dest) {
    Word w;
    const char* p = text;
    if (!p || radix < 2 || radix > 36) {
        if (dest) *dest = w;
        return p;
    }
    const int bytes = WordBytes();
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    bool overflow = false;
    for (int v; (v = DigitValue(*p)) >= 0 && v < radix; ++p) {
        overflow |= WordMultiplySmall(&w, radix, bytes);
        overflow |= WordAddSmall(&w, v, bytes);
    }
    if (negative) WordNegate(&w, bytes);
    if (dest) *dest = w;
    if (overflow) OverflowWarning();
    return p;
}

int DigitsOfWord(int wordSize, int radix) {
    if (radix < 2) return wordSize;
    const double q = wordSize / (std::log(double(radix)) / std::log(2.0));
    // The small margin keeps powers of two exact against rounding in the logs.
    return int(std::ceil(q - 1e-9));
}

}  // namespace kiv
