// SPDX-License-Identifier: GPL-3.0-or-later
#include "units/unittext.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "storage/maindb.h"
#include "units/algebra.h"
#include "units/unitrec.h"
#include "window/messages.h"

namespace kiv {
namespace {

struct PrefixEntry {
    int power;
    char letter;
};
// The SI prefixes, with ronna, quetta, ronto and quecto (added in 2022).
constexpr PrefixEntry kPrefixes[] = {
    {1, 'D'},  {2, 'H'},   {3, 'k'},   {6, 'M'},   {9, 'G'},   {12, 'T'},  {15, 'P'},  {18, 'E'},
    {21, 'Z'}, {24, 'Y'},  {27, 'R'},  {30, 'Q'},  {-1, 'd'},  {-2, 'c'},  {-3, 'm'},  {-6, 'u'},
    {-9, 'n'}, {-12, 'p'}, {-15, 'f'}, {-18, 'a'}, {-21, 'z'}, {-24, 'y'}, {-27, 'r'}, {-30, 'q'},
};

// Appends to a bounded buffer; every write is all-or-nothing.
struct Writer {
    char* buf;
    int room;  // characters that may still be written (no terminator)
    int pos = 0;
    bool put(const char* s, int n) {
        if (n > room - pos) return false;
        std::memcpy(buf + pos, s, size_t(n));
        pos += n;
        return true;
    }
};

}  // namespace

int PrefixLetter(char* buf, int room, int power) {
    if (room <= 0 || power == 0) return 0;
    char letter = '?';
    for (const auto& p : kPrefixes)
        if (p.power == power) letter = p.letter;
    buf[0] = letter;
    return 1;
}

int PrefixPower(char letter) {
    for (const auto& p : kPrefixes)
        if (p.letter == letter) return p.power;
    return 0;
}

int FormatComponent(char* buf, int room, Uid unit, int prefix, int exponent) {
    if (room < 0) return 0;
    const int index = PtrFromUID(unit);
    if (!IsUnitRecord(index)) return 0;
    Writer w{buf, room};
    if (prefix != 0) {
        char letter;
        if (PrefixLetter(&letter, 1, prefix) != 1 || !w.put(&letter, 1)) return 0;
    }
    const std::string name = UnitName(index);
    if (!w.put(name.data(), int(name.size()))) return 0;
    if (exponent != 1) {
        // A negative exponent keeps a plain minus before its digits (the
        // expression text never needs it: denominators use the absolute value).
        if (exponent < 0 && !w.put("-", 1)) return 0;
        const std::string digits = std::to_string(std::abs(exponent));
        for (char d : digits) {
            const char sup = char(uint8_t(d) + 0x90);  // '0'..'9' to 0xC0..0xC9
            if (!w.put(&sup, 1)) return 0;
        }
    }
    return w.pos;
}

int FormatExpression(char* buf, int size, Uid e) {
    if (!buf || size <= 0) return 1;
    buf[0] = 0;
    if (e == NULL_UID) return 0;
    const int index = PtrFromUID(e);
    if (!IsExpressionRecord(index)) return 1;
    const std::vector<Component> comps = ComponentsAt(index);
    Writer w{buf, size - 1};
    auto component = [&](const Component& c, int exponent) {
        const int n = FormatComponent(buf + w.pos, w.room - w.pos, c.unit, c.prefix, exponent);
        if (n == 0) return false;
        w.pos += n;
        return true;
    };
    bool denominator = false;
    bool first = true;
    for (const Component& c : comps) {
        if (c.exponent < 0) {
            denominator = true;
            continue;
        }
        if ((!first && !w.put("*", 1)) || !component(c, c.exponent)) {
            buf[0] = 0;
            return 1;
        }
        first = false;
    }
    if (denominator) {
        if ((first && !w.put("1", 1)) || !w.put("/", 1)) {
            buf[0] = 0;
            return 1;
        }
        first = true;
        for (const Component& c : comps) {
            if (c.exponent >= 0) continue;
            if ((!first && !w.put("*", 1)) || !component(c, -c.exponent)) {
                buf[0] = 0;
                return 1;
            }
            first = false;
        }
    }
    buf[w.pos] = 0;
    return 0;
}

std::string ExpressionText(Uid e, int size) {
    if (size <= 0) return {};
    std::vector<char> buf(size_t(size), 0);
    if (FormatExpression(buf.data(), size, e) != 0) return {};
    return std::string(buf.data());
}

std::string WholeExpressionText(Uid e) {
    // 255 components of the longest names stay well below the last size.
    for (int size = 256; size <= (1 << 20); size *= 4) {
        std::string text = ExpressionText(e, size);
        if (!text.empty() || e == NULL_UID) return text;
    }
    return {};
}

namespace {

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool IsNameLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int ReadCount(const std::string& s, size_t* p) {
    int n = 0;
    while (*p < s.size() && s[*p] >= '0' && s[*p] <= '9') {
        if (n < 100000) n = n * 10 + (s[*p] - '0');
        ++*p;
    }
    return n;
}

bool ReadExpressionFactors(const std::string& s, size_t p, Uid e, double* magnitude, size_t* bad) {
    bool denominator = false;
    for (;;) {
        while (p < s.size() && (IsBlankChar(s[p]) || s[p] == '*' || s[p] == '1' || s[p] == '\r'))
            ++p;
        if (p >= s.size()) return true;
        if (s[p] == '/') {
            denominator = true;
            ++p;
            continue;
        }
        const size_t start = p;
        if (bad) *bad = start;
        if (!IsNameLetter(s[p])) return false;
        while (p < s.size() && IsNameLetter(s[p])) ++p;
        const std::string name = s.substr(start, p - start);
        int exponent = ReadCount(s, &p);
        if (exponent == 0) exponent = 1;
        Uid unit = NULL_UID;
        int prefix = 0;
        if (FindUnitByName(name, &unit) == 0) {
            // A one-letter name is never split into a prefix and a unit.
            prefix = name.size() > 1 ? PrefixPower(name[0]) : 0;
            if (prefix == 0 || FindUnitByName(name.substr(1), &unit) == 0) return false;
        }
        // -128 is a valid exponent, +128 is not.
        if (exponent > (denominator ? 128 : 127)) {
            ShowCodedMessage(MSG_EXPONENT_RANGE);
            continue;
        }
        MultiplyIn(e, unit, prefix, denominator ? -exponent : exponent, magnitude);
    }
}

Uid ReadUnitExpression(const std::string& text, bool* ok, std::string* unknown) {
    *ok = false;
    const Uid e = NewExpression();
    if (e == NULL_UID) return NULL_UID;
    size_t bad = 0;
    if (!ReadExpressionFactors(text, 0, e, nullptr, &bad)) {
        DeleteExpression(e);
        size_t end = bad;
        while (end < text.size() && !IsBlankChar(text[end]) && text[end] != '*' && text[end] != '/')
            ++end;
        if (unknown) *unknown = text.substr(bad, std::max<size_t>(end - bad, 1));
        return NULL_UID;
    }
    *ok = true;
    return Normalise(e);
}

}  // namespace kiv
