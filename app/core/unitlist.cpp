// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/core/unitlist.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "storage/unitfields.h"
#include "units/algebra.h"
#include "units/unitrec.h"
#include "units/unittext.h"
#include "window/appevent.h"
#include "window/calctext.h"
#include "window/messages.h"
#include "window/window.h"

namespace kiv {
namespace {

constexpr int kRefreshRequest = 4000;

// Unicode of the bytes 0x80-0x9F of Windows-1252; 0 where the code page has
// no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char Cp1252Byte(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) return char(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == cp) return char(0x80 + i);
    return kNoCharacter;
}

// Decodes one UTF-8 sequence at s[i]; 0 bytes when it is not well formed
// (overlong forms, surrogates and code points above U+10FFFF included).
size_t DecodeUtf8(const std::string& s, size_t i, uint32_t* cp) {
    const uint8_t c = uint8_t(s[i]);
    size_t n;
    uint32_t v, min;
    if (c < 0x80) {
        *cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        n = 2, v = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, v = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, v = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const uint8_t t = uint8_t(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        v = (v << 6) | (t & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    *cp = v;
    return n;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A name must show as itself wherever calculator text goes: no control
// bytes, no byte without a Windows-1252 character, and none of the bytes
// that calculator text draws as superscript digits or the decimal mark.
bool ShowableByte(uint8_t c, bool unitName) {
    if (c < 0x20 || c == 0x7F) return false;
    if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) return false;
    return !(unitName && IsSpecialByte(c));
}
bool ShowableName(const std::string& name, bool unitName) {
    return std::all_of(name.begin(), name.end(),
                       [&](char c) { return ShowableByte(uint8_t(c), unitName); });
}

// A list carries the decimal separator of the locale it was written under;
// "." is read as well, since the shipped lists use it. A "," is a decimal
// mark only under a locale that writes it: elsewhere it ends the number, and
// the rest of the line is a syntax error, never "1,000" read as 1.
bool IsDecimalMark(char c) {
    return uint8_t(c) == DECIMAL_MARK || c == '.' || c == DecimalSeparator();
}

// The magnitude at s[p], in the number syntax of the entry line: an
// optional "-", digits, a decimal mark and digits, one optional space, then
// "e", an optional "-" and digits for a power of ten. A definition such as
// "1 erg" must keep its unit, so the "e" counts only when a digit or "-"
// follows it. The value is the double nearest to the text, so that every
// magnitude an export writes reads back bit for bit. A value that is not
// finite gives message 1308 and 0; no digits read as 0.
double ReadMagnitude(const std::string& s, size_t* p) {
    size_t q = *p;
    std::string number;  // the text as std::from_chars reads it
    if (q < s.size() && s[q] == '-') number += s[q++];
    size_t digits = 0, leading = 0;  // leading: integer digits from the first nonzero one
    int fractionZeros = 0;           // zeros after the mark before the first nonzero digit
    for (; q < s.size() && IsDigit(s[q]); ++q, ++digits) {
        number += s[q];
        if (leading || s[q] != '0') ++leading;
    }
    if (q < s.size() && IsDecimalMark(s[q])) {
        number += digits ? "." : "0.";
        bool nonzero = leading > 0;
        for (++q; q < s.size() && IsDigit(s[q]); ++q, ++digits) {
            number += s[q];
            if (s[q] != '0') nonzero = true;
            if (!nonzero) ++fractionZeros;
        }
    }
    if (q < s.size() && s[q] == ' ') ++q;
    long exponent = 0;
    if (q < s.size() && s[q] == 'e') {
        const char next = q + 1 < s.size() ? s[q + 1] : '\0';
        if (IsDigit(next) || next == '-') {
            const bool negative = next == '-';
            q += negative ? 2 : 1;
            for (; q < s.size() && IsDigit(s[q]); ++q)
                if (exponent < 100000) exponent = exponent * 10 + (s[q] - '0');
            if (negative) exponent = -exponent;
        }
    }
    *p = q;
    if (digits == 0) return 0;
    number += 'e' + std::to_string(exponent);
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    // Out of range: too large when the first significant digit stands at or
    // above the units place, else too small (read as zero).
    const long place = leading > 0 ? long(leading) : -long(fractionZeros);
    if (ec == std::errc::result_out_of_range) value = place + exponent > 0 ? HUGE_VAL : 0.0;
    if (!std::isfinite(value)) {
        ShowCodedMessage(MSG_TOO_LARGE);
        return 0;
    }
    return value == 0 ? 0.0 : value;  // no negative zero
}

enum class LineResult { Done, SyntaxError, UnknownUnit, SelfReference, NoRoom };

// What ended a reading, for its message: the name a factor or a
// redefinition was stopped by.
std::string g_stopName;

// The zero point after a unit line's "@": one number and nothing else.
bool ReadZeroPoint(const std::string& s, size_t p, double* zero) {
    while (p < s.size() && IsBlank(s[p])) ++p;
    if (p >= s.size() || !(IsDigit(s[p]) || (s[p] == '-' && p + 1 < s.size()))) return false;
    const size_t start = p;
    *zero = ReadMagnitude(s, &p);
    // A number too large (1308 shown) or too small to hold reads as 0: a
    // zero point that is not the one written is refused.
    bool digits = false, nonzero = false;
    for (size_t i = start; i < p && s[i] != 'e'; ++i) {
        digits = digits || IsDigit(s[i]);
        nonzero = nonzero || (IsDigit(s[i]) && s[i] != '0');
    }
    while (p < s.size() && (IsBlank(s[p]) || s[p] == '\r')) ++p;
    return digits && p == s.size() && (*zero != 0 || !nonzero);
}

// True when `unit` is `target` or is defined, at any depth, on it.
bool DependsOn(Uid unit, Uid target, int guard = 0) {
    if (unit == target) return true;
    if (guard > 1100) return false;  // a definition cycle in a damaged file
    const int index = IndexOfUid(unit);
    if (!IsUnitRecord(index)) return false;
    const Uid def = UnitDefinition(index);
    const int di = def == NULL_UID ? -1 : IndexOfUid(def);
    if (di <= 0) return false;
    for (const Component& c : ComponentsAt(di))
        if (DependsOn(c.unit, target, guard + 1)) return true;
    return false;
}

// True when a unit with a zero point is defined on `unit`.
bool CarriesScales(Uid unit) {
    for (int i = 1; IsUnitRecord(i); ++i) {
        double zero = 0;
        const Uid def = UnitDefinition(i);
        if (def == NULL_UID || !UnitZeroPoint(i, &zero)) continue;
        for (const Component& c : ComponentsAt(IndexOfUid(def)))
            if (c.unit == unit) return true;
    }
    return false;
}

// A unit read again keeps its record and UID, so that every value, memory,
// button, saved argument and unit defined on it keeps its unit; it takes the
// line's magnitude, definition (`e`, now owned by the unit) and category.
LineResult Redefine(Uid unit, double magnitude, Uid e, int category) {
    for (const Component& c : e == NULL_UID ? std::vector<Component>() : Components(e)) {
        if (DependsOn(c.unit, unit)) {
            const int i = IndexOfUid(unit);
            g_stopName = UnitName(i);
            DeleteExpression(e);
            return LineResult::SelfReference;
        }
    }
    const int index = IndexOfUid(unit);
    const Uid old = UnitDefinition(index);
    MainDb()->writeF64(index, uo::kMagnitude, magnitude);
    MainDb()->writeU32(index, uo::kDefinition, e);
    SetCategoryOfRecord(index, category);
    DeleteExpression(old);
    return LineResult::Done;
}

// The long name in double quotes at s[quote]: valid long-name text, the
// closing quote, then only blanks to the line's end.
bool ReadLongName(const std::string& s, size_t quote, std::string* name) {
    const size_t close = s.find('"', quote + 1);
    if (close == std::string::npos) return false;
    for (size_t i = close + 1; i < s.size(); ++i)
        if (!IsBlank(s[i]) && s[i] != '\r') return false;
    *name = s.substr(quote + 1, close - quote - 1);
    return ValidLongName(reinterpret_cast<const uint8_t*>(name->data()), name->size());
}

LineResult ReadLine(const std::string& s, UnitListCounts* counts) {
    size_t p = 0;
    while (p < s.size() && IsBlank(s[p])) ++p;
    if (p >= s.size() || s[p] == '\r' || s[p] == '#') return LineResult::Done;

    const size_t start = p;
    while (p < s.size() && !IsBlank(s[p]) && s[p] != '\r') ++p;
    const std::string word = s.substr(start, p - start);
    const bool isCat = word == ".cat", isBtn = word == ".btn";

    while (p < s.size() && IsBlank(s[p])) ++p;
    const int number = ReadCount(s, &p);
    while (p < s.size() && IsBlank(s[p])) ++p;

    // Checked before anything changes: a number outside the 16 categories
    // or the 50 slots, and a unit name that calculator text cannot show.
    if (number >= (isBtn ? so::kUserSlots : Database::kCategories)) return LineResult::SyntaxError;
    if (!isCat && !isBtn && !ShowableName(word, true)) return LineResult::SyntaxError;

    // A unit's long name ends its line in double quotes; it and a scale's
    // zero point (after "@") are read before anything changes, so that a
    // bad one leaves the unit as it was.
    std::string longName;
    const size_t quote = isCat || isBtn ? std::string::npos : s.find('"', p);
    if (quote != std::string::npos && !ReadLongName(s, quote, &longName))
        return LineResult::SyntaxError;
    const std::string rest = s.substr(0, quote);
    double zero = 0;
    const size_t at = isCat || isBtn ? std::string::npos : rest.find('@', p);
    if (at != std::string::npos && !ReadZeroPoint(rest, at + 1, &zero))
        return LineResult::SyntaxError;
    std::string line = at == std::string::npos ? rest : rest.substr(0, at);
    if (quote != std::string::npos)
        while (line.size() > p && IsBlank(line.back())) line.pop_back();

    if (isCat) {
        std::string name = s.substr(p, std::min<size_t>(15, s.size() - p));
        name = name.substr(0, name.find('\r'));
        while (!name.empty() && IsBlank(name.back())) name.pop_back();
        if (!ShowableName(name, false)) return LineResult::SyntaxError;
        MainDb()->setCategoryName(number, name);
        return LineResult::Done;
    }

    const bool bare = p >= line.size() || line[p] == '\r';
    double magnitude = 0;
    Uid e = NULL_UID;
    if (!bare) {
        magnitude = ReadMagnitude(line, &p);
        e = NewExpression();
        if (e == NULL_UID) return LineResult::NoRoom;
        size_t bad = p;
        if (!ReadExpressionFactors(line, p, e, &magnitude, &bad)) {
            DeleteExpression(e);
            // A factor of letters names no unit; anything else is a syntax error.
            size_t end = bad;
            while (end < line.size() && IsNameLetter(line[end])) ++end;
            if (end == bad) return LineResult::SyntaxError;
            g_stopName = line.substr(bad, end - bad);
            return LineResult::UnknownUnit;
        }
    }
    if (isBtn) {
        const Uid unit = Normalise(e);
        setSlot(number, unit);
        if (unit != NULL_UID) ++counts->buttons;
        return LineResult::Done;
    }
    if (at != std::string::npos && !CanCarryZeroPoint(magnitude, e)) {
        DeleteExpression(e);
        return LineResult::SyntaxError;
    }
    if (Uid existing = NULL_UID; FindUnitByName(word, &existing) != 0) {
        // A scale is defined on a unit without a zero point: a unit that
        // scales are built on cannot become one.
        if (at != std::string::npos && CarriesScales(existing)) {
            DeleteExpression(e);
            return LineResult::SyntaxError;
        }
        const LineResult r = Redefine(existing, magnitude, e, number);
        if (r != LineResult::Done) return r;
        // The line says whether the unit is a scale: its zero point, or none.
        if (!SetUnitZeroPoint(IndexOfUid(existing), at != std::string::npos ? &zero : nullptr))
            return LineResult::NoRoom;
        // Its long name too is the line's, or none.
        if (!SetUnitLongName(IndexOfUid(existing), longName)) return LineResult::NoRoom;
        ++counts->units;
        return r;
    }
    // A definition without factors stays: it is a pure number (a dozen).
    const Uid made = CreateUnit(word, magnitude, e, number);
    if (made == NULL_UID) {
        DeleteExpression(e);
        return LineResult::NoRoom;
    }
    if (at != std::string::npos && !SetUnitZeroPoint(IndexOfUid(made), &zero))
        return LineResult::NoRoom;
    if (!longName.empty() && !SetUnitLongName(IndexOfUid(made), longName))
        return LineResult::NoRoom;
    ++counts->units;
    return LineResult::Done;
}

// CR LF becomes LF, as a text-mode read gives it.
std::string JoinCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out.push_back(text[i]);
    return out;
}

bool ReadFile(const std::string& path, std::string* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

bool FileExists(const std::string& path) {
    struct stat sb;
    return ::stat(path.c_str(), &sb) == 0;
}

// Paths come from the file system as UTF-8; messages are calculator text.
void ShowPathMessage(int id, const std::string& path, const char* text2 = nullptr) {
    std::string shown = TranscodeUtf8ToCp1252(path);
    std::replace(shown.begin(), shown.end(), kNoCharacter, '?');
    ShowCodedMessage(id, shown.c_str(), text2);
}

// The shortest text that reads back to the same double, laid out as the
// entry line shows numbers: positional from 0.0001 to 10^16, else with a
// power of ten ("1.66053906892 e-27"). Non-finite magnitudes (only a damaged
// file holds one) have no text in a list and are written as 0.
std::string MagnitudeText(double x) {
    if (!std::isfinite(x) || x == 0) return "0";
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    const std::string sci(buf, written.ptr);  // "-d.ddde-XX"
    const size_t e = sci.find('e');
    const int power = std::atoi(sci.c_str() + e + 1);
    std::string digits;
    for (size_t i = 0; i < e; ++i)
        if (IsDigit(sci[i])) digits += sci[i];
    std::string out = x < 0 ? "-" : "";
    const std::string mark(1, DecimalSeparator());
    const double a = std::fabs(x);
    if (a > 1e-4 && a < 1e16) {
        if (power < 0) return out + "0" + mark + std::string(size_t(-power - 1), '0') + digits;
        const size_t whole = size_t(power) + 1;
        if (digits.size() <= whole) return out + digits + std::string(whole - digits.size(), '0');
        return out + digits.substr(0, whole) + mark + digits.substr(whole);
    }
    out += digits[0];
    if (digits.size() > 1) out += mark + digits.substr(1);
    return out + " e" + std::to_string(power);
}

FileChooser WindowChooser(const FileChooser& choose) {
    if (choose) return choose;
    return [](bool save, const std::string& title, const std::string& folder, std::string* path) {
        return GetWindow().chooseFile(save, title, folder, path);
    };
}

}  // namespace

std::string TranscodeUtf8ToCp1252(const std::string& text) {
    size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const size_t begin = i;
    bool ascii = true;
    for (size_t k = i; k < text.size();) {
        uint32_t cp;
        const size_t n = DecodeUtf8(text, k, &cp);
        if (n == 0) return text;
        ascii = ascii && n == 1;
        k += n;
    }
    if (ascii) return text.substr(begin);
    std::string out;
    out.reserve(text.size());
    while (i < text.size()) {
        uint32_t cp = 0;
        i += DecodeUtf8(text, i, &cp);
        out.push_back(Cp1252Byte(cp));
    }
    return out;
}

namespace {

// The base units a unit expression reduces to, as (unit, exponent) pairs in
// a fixed order: its kind. Creates and deletes records, so it is read only
// on a copy of the database.
std::vector<std::pair<Uid, int>> KindOf(Uid e) {
    std::vector<std::pair<Uid, int>> kind;
    if (e == NULL_UID) return kind;
    double factor = 1;
    const Uid r = ReduceToBaseUnits(CopyExpression(e), &factor);
    for (const Component& c : Components(r)) kind.emplace_back(c.unit, c.exponent);
    DeleteExpression(r);
    std::sort(kind.begin(), kind.end());
    return kind;
}

// The units of the values the user sees: the stack, the memories and the
// number being typed.
std::vector<Uid> ValueUnits() {
    std::vector<Uid> units;
    for (int i = 0; i < Depth(); ++i) {
        Value v;
        if (Peek(i, &v) && v.isReal() && v.unit() != NULL_UID) units.push_back(v.unit());
    }
    for (int i = 0; i < so::kMemoryCount; ++i) {
        const Value v = State::memory(i);
        if (v.isReal() && v.unit() != NULL_UID) units.push_back(v.unit());
    }
    if (State::entryLength() >= 0 && State::entryUnit() != NULL_UID)
        units.push_back(State::entryUnit());
    return units;
}

// What reading `all` would do to the kinds of the values and units there
// are now: a trial reading on a copy of the database, unseen, after which
// the database is put back exactly as it was.
struct KindChanges {
    int values = 0;
    int units = 0;
};
int ReadLines(const std::string& all, const std::string& sourceName, UnitListCounts* counts);
KindChanges TrialKindChanges(const std::string& all) {
    KindChanges changes;
    Database* db = MainDb();
    const std::vector<Uid> values = ValueUnits();
    if (values.empty()) return changes;
    const Database saved = *db;
    Window& window = GetWindow();
    HeadlessWindow quiet;  // a trial reading's messages go unseen
    SetWindow(&quiet);
    std::vector<std::vector<std::pair<Uid, int>>> before;
    for (Uid u : values) before.push_back(KindOf(u));
    std::vector<std::pair<Uid, std::vector<std::pair<Uid, int>>>> unitKinds;
    for (int i = 1; i < db->count(); ++i)
        if (IsUnitRecord(i)) unitKinds.emplace_back(db->uid(i), std::vector<std::pair<Uid, int>>());
    for (auto& [unit, kind] : unitKinds) {
        const Uid e = ExpressionOf(unit);
        kind = KindOf(e);
        DeleteExpression(e);
    }
    UnitListCounts ignored;
    ReadLines(all, std::string(), &ignored);
    for (size_t i = 0; i < values.size(); ++i)
        if (KindOf(values[i]) != before[i]) ++changes.values;
    for (const auto& [unit, kind] : unitKinds) {
        const Uid e = ExpressionOf(unit);
        if (KindOf(e) != kind) ++changes.units;
        DeleteExpression(e);
    }
    SetWindow(&window);
    *db = saved;
    ResetUidCache();
    return changes;
}

int ReadLines(const std::string& all, const std::string& sourceName, UnitListCounts* counts) {
    // New units are sorted in once, when the reading ends.
    const UnitSortBatch sortOnce;
    int lineNo = 0;
    for (size_t pos = 0; pos < all.size();) {
        size_t end = all.find('\n', pos);
        if (end == std::string::npos) end = all.size();
        const size_t take = std::min(end - pos, kUnitListPiece);
        std::string line = all.substr(pos, take);
        // A piece of a long line ends where its room ends; the line end
        // belongs to the last piece.
        pos += take;
        if (pos == end && end < all.size()) ++pos;
        ++lineNo;
        line = line.substr(0, line.find('\0'));
        const LineResult r = ReadLine(line, counts);
        if (r == LineResult::Done) continue;
        const std::string number = std::to_string(lineNo);
        const std::string before = std::to_string(lineNo - 1);
        switch (r) {
            case LineResult::Done:
                break;
            case LineResult::SyntaxError:
                ShowPathMessage(MSG_SYNTAX, sourceName, number.c_str());
                break;
            case LineResult::UnknownUnit:
                ShowCodedMessage(MSG_IMPORT_UNKNOWN, g_stopName.c_str(), number.c_str(),
                                 before.c_str());
                break;
            case LineResult::SelfReference:
                ShowCodedMessage(MSG_IMPORT_SELF, g_stopName.c_str(), number.c_str(),
                                 before.c_str());
                break;
            case LineResult::NoRoom:  // 1324 has been shown
                break;
        }
        return lineNo;
    }
    return 0;
}

}  // namespace

int ReadUnitList(const std::string& text, const std::string& sourceName, UnitListCounts* counts) {
    UnitListCounts ignored;
    if (!counts) counts = &ignored;
    *counts = {};
    if (!MainDb()) return 0;
    const std::string all = JoinCrLf(TranscodeUtf8ToCp1252(text));
    // A unit whose kind a line changes would change what the values using
    // it mean: asked once, before anything changes.
    const KindChanges changes = TrialKindChanges(all);
    if (changes.values > 0) {
        const std::string values = std::to_string(changes.values);
        const std::string units = std::to_string(changes.units);
        if (ShowCodedMessage(MSG_IMPORT_KIND, values.c_str(), units.c_str()) != 0)
            return kImportDeclined;
    }
    return ReadLines(all, sourceName, counts);
}

std::string UnitListText(std::string* tooLong, std::string* unreadable) {
    std::string out;
    if (tooLong) tooLong->clear();
    if (unreadable) unreadable->clear();
    Database* db = MainDb();
    if (!db) return out;
    // A longer line is read back in pieces, each a line of its own.
    auto fits = [&](const std::string& line, const std::string& unit) {
        if (line.size() <= kUnitListPiece) return true;
        if (tooLong && tooLong->empty()) *tooLong = unit;
        return false;
    };
    char line[512];
    for (int c = 1; c < Database::kCategories; ++c) {
        const std::string name = db->categoryName(c);
        if (name.empty()) continue;
        std::snprintf(line, sizeof line, ".cat %d %s\n", c, name.c_str());
        out += line;
    }
    // Units by definition depth, in record order within a depth, so that
    // no line uses a unit defined further down.
    std::vector<std::pair<int, int>> units;  // depth, index
    for (int i = 1; i < db->count(); ++i)
        if (IsUnitRecord(i)) units.emplace_back(DefinitionDepth(db->uid(i)), i);
    std::stable_sort(units.begin(), units.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [depth, i] : units) {
        const std::string name = UnitName(i);
        // A factor is read as a run of letters: another name would not
        // read back, nor would any line using it.
        if (unreadable && unreadable->empty() &&
            !std::all_of(name.begin(), name.end(), IsNameLetter))
            *unreadable = name;
        std::string text = name + " " + std::to_string(CategoryOfRecord(i));
        const Uid def = UnitDefinition(i);
        if (def != NULL_UID) {
            text += '\t';
            text += MagnitudeText(UnitMagnitude(i));
            std::string unit = WholeExpressionText(def);
            ToPlainText(unit);
            if (!unit.empty()) {
                // "2 e3" would read as 2000: a unit e cubed starts after "*".
                const bool likePower =
                    unit[0] == 'e' && unit.size() > 1 && (IsDigit(unit[1]) || unit[1] == '-');
                text += likePower ? " *" : " ";
                text += unit;
            }
            // Only a zero point the unit can use: the line must read back.
            double zero;
            if (UnitZeroPoint(i, &zero) && CanHaveZeroPoint(i)) text += " @ " + MagnitudeText(zero);
        }
        if (const std::string longName = UnitLongName(i); !longName.empty())
            text += " \"" + longName + '"';
        fits(text, name);
        out += text + '\n';
    }
    std::string buttons;
    writeButtonLines(buttons);
    for (size_t at = 0; at < buttons.size();) {
        const size_t end = buttons.find('\n', at);
        const std::string text = buttons.substr(at, end - at);
        const size_t unit = text.find("\t1 ");
        fits(text, unit == std::string::npos ? text : text.substr(unit + 3));
        at = end + 1;
    }
    out += buttons;
    return out;
}

bool ImportUnitListFile(const std::string& path, UnitListCounts* counts) {
    std::string text;
    if (!ReadFile(path, &text)) {
        ShowPathMessage(MSG_CANNOT_OPEN, path);
        return false;
    }
    const int stoppedAt = ReadUnitList(text, path, counts);
    if (stoppedAt == kImportDeclined) return false;
    SendAppEvent(kRefreshRequest);
    return stoppedAt == 0;
}

bool ExportUnitListFile(const std::string& path) {
    std::string tooLong, unreadable;
    const std::string text = UnitListText(&tooLong, &unreadable);
    if (!unreadable.empty()) {
        ShowCodedMessage(MSG_EXPORT_NAME, unreadable.c_str());
        return false;
    }
    if (!tooLong.empty()) {
        // Half a list would lose the rest of that unit's line on import.
        ShowCodedMessage(MSG_EXPORT_LINE_TOO_LONG, tooLong.c_str());
        return false;
    }
    std::string bytes;
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    if (!WriteFile(path, bytes)) {
        ShowPathMessage(MSG_CANNOT_OPEN, path);
        return false;
    }
    return true;
}

void ImportUnitList(const FileChooser& choose) {
    const std::string& folder = GetDataFolder();
    if (FirstStart()) CopyShippedUnitLists(folder);
    // The first start opens this dialog by itself; a user who cancels it
    // learns where the import is, once.
    const bool firstStartImport = TakeFirstStartImport();
    std::string path;
    if (!WindowChooser(choose)(false, kImportTitle, folder, &path)) {
        if (firstStartImport) ShowCodedMessage(MSG_IMPORT_LATER);
        return;
    }
    UnitListCounts counts;
    if (!ImportUnitListFile(path, &counts)) return;
    const std::string units = std::to_string(counts.units);
    const std::string buttons = std::to_string(counts.buttons);
    ShowCodedMessage(MSG_IMPORTED, units.c_str(), buttons.c_str());
}

void ExportUnitList(const FileChooser& choose) {
    std::string path;
    if (!WindowChooser(choose)(true, kExportTitle, GetDataFolder(), &path)) return;
    ExportUnitListFile(path);
}

std::string ShippedUnitListFolder() {
    std::vector<std::string> candidates;
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        std::string dir(exe, size_t(n));
        dir = dir.substr(0, dir.rfind('/'));
        candidates.push_back(dir + "/../share/kiv");
    }
    candidates.push_back(KIV_SOURCE_DATA_DIR);
    for (const std::string& c : candidates)
        if (FileExists(c + "/" + kShippedUnitLists[0])) return c;
    return {};
}

int CopyShippedUnitLists(const std::string& folder) {
    const std::string from = ShippedUnitListFolder();
    if (from.empty() || folder.empty()) return 0;
    int copied = 0;
    for (const char* name : kShippedUnitLists) {
        const std::string target = folder + "/" + name;
        if (FileExists(target)) continue;
        std::string bytes;
        if (ReadFile(from + "/" + name, &bytes) && WriteFile(target, bytes)) ++copied;
    }
    return copied;
}

}  // namespace kiv
