// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/core/convert.h"

#include <cmath>

#include "app/core/unitlist.h"
#include "engine/format.h"
#include "storage/maindb.h"
#include "units/algebra.h"
#include "units/scales.h"
#include "units/unittext.h"
#include "window/calctext.h"
#include "window/messages.h"
#include "window/window.h"

namespace kiv {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && IsBlank(s[a])) ++a;
    while (b > a && IsBlank(s[b - 1])) --b;
    return s.substr(a, b - a);
}

// Splits "NUMBER UNIT" into the number as ParseReal reads it ("-1.5 e3",
// "2e-7"; a "+" and "E" are taken too) and the unit text. No number means
// one of the unit. False when the number is malformed.
bool SplitQuantity(const std::string& text, std::string* number, std::string* unit) {
    const size_t n = text.size();
    auto at = [&](size_t i) { return i < n ? text[i] : '\0'; };
    size_t p = 0;
    std::string num;
    if (at(p) == '-') num.push_back('-');
    if (at(p) == '-' || at(p) == '+') ++p;
    int digits = 0;
    while (IsDigit(at(p))) num += text[p++], ++digits;
    if (at(p) == '.') {
        num += text[p++];
        while (IsDigit(at(p))) num += text[p++], ++digits;
    }
    if (digits == 0) {
        if (p > 0) return false;  // a sign or a point without digits
        number->assign(1, '1');
        *unit = text;
        return true;
    }
    // An exponent needs its digits: "2 erg" is two ergs.
    size_t q = at(p) == ' ' ? p + 1 : p;
    if (at(q) == 'e' || at(q) == 'E') {
        size_t r = q + 1;
        const bool minus = at(r) == '-';
        if (minus || at(r) == '+') ++r;
        if (IsDigit(at(r))) {
            num.push_back('e');
            if (minus) num.push_back('-');
            while (IsDigit(at(r))) num += text[r++];
            p = r;
        }
    }
    *number = num;
    *unit = Trim(text.substr(p));
    // A number runs into its unit ("5mi") but not into a digit or a sign.
    return unit->empty() || p == n || IsBlank(text[p]) || !(IsDigit(text[p]) || text[p] == '.');
}

bool IsNameByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || u >= 0x80;
}

// The expression of a unit text (owned by the caller); false with the
// message when it cannot be read (a factor that names no unit, or a text
// that is no unit text). A text read without a message is remembered.
bool ReadUnit(const std::string& text, const std::string& whole, Uid* out, ConversionOutcome* fail,
              UnitTextMemo* memo, const MessageCatcher& caught) {
    if (memo && memo->find(text, out)) {
        *out = DuplicateExpression(*out);
        return true;
    }
    bool ok = false;
    std::string bad;
    *out = ReadUnitExpression(text, &ok, &bad);
    if (ok && memo && caught.id() == 0) memo->keep(text, *out);
    if (ok) return true;
    const bool named = !bad.empty() && IsNameByte(bad[0]);
    fail->messageId = named ? MSG_NO_SUCH_UNIT : MSG_CONVERT_SYNTAX;
    fail->message = ComposeCodedMessage(fail->messageId, named ? bad.c_str() : whole.c_str()).text;
    return false;
}

}  // namespace

MessageCatcher::MessageCatcher() : previous_(&GetWindow()) {
    SetWindow(&window_);
}
MessageCatcher::~MessageCatcher() {
    SetWindow(previous_);
}

Answer MessageCatcher::Catching::messageBox(const std::string& caption, const std::string& text,
                                            int style) {
    if (id == 0) {
        id = LastShownMessageId();
        message = text;
    }
    return HeadlessWindow::messageBox(caption, text, style);
}

UnitTextMemo::~UnitTextMemo() {
    forget();
}

bool UnitTextMemo::current() const {
    return db_ == MainDb() && MainDb() && version_ == MainDb()->watchVersion();
}

void UnitTextMemo::forget() {
    if (MainDb() == db_)
        for (const auto& [text, e] : read_) DeleteExpression(e);
    read_.clear();
    conversions_.clear();
    db_ = MainDb();
    version_ = db_ ? MainDb()->watchVersion() : 0;
}

bool UnitTextMemo::find(const std::string& text, Uid* e) {
    if (!current()) {
        forget();
        return false;
    }
    const auto it = read_.find(text);
    if (it == read_.end()) return false;
    *e = it->second;
    return true;
}

void UnitTextMemo::keep(const std::string& text, Uid e) {
    if (!current()) forget();
    if (read_.size() < kMost && !read_.count(text)) read_.emplace(text, DuplicateExpression(e));
}

void UnitTextMemo::setKey(const std::string& from, const std::string& to) {
    // A unit text holds no zero byte: the pair's key is unambiguous.
    key_.assign(from).push_back('\0');
    key_.append(to);
}

const UnitTextMemo::Conversion* UnitTextMemo::findConversion(const std::string& from,
                                                             const std::string& to) {
    if (!current()) {
        forget();
        return nullptr;
    }
    setKey(from, to);
    const auto it = conversions_.find(key_);
    return it == conversions_.end() ? nullptr : &it->second;
}

void UnitTextMemo::keepConversion(const std::string& from, const std::string& to,
                                  const std::vector<double>& scales, Uid unit) {
    if (!current()) forget();
    setKey(from, to);
    if (conversions_.size() < kMost && !conversions_.count(key_))
        conversions_.emplace(key_, Conversion{scales, RealUnitSuffix(unit)});
}

ConversionOutcome ConvertText(const std::string& source, const std::string& target, int precision,
                              UnitTextMemo* memo) {
    ConversionOutcome out;
    const MessageCatcher caught;
    auto fail = [&](int id, const std::string& t1, const std::string& t2 = std::string()) {
        out.messageId = id;
        out.message = ComposeCodedMessage(id, t1.c_str(), t2.empty() ? nullptr : t2.c_str()).text;
        return out;
    };
    auto failCaught = [&] {
        out.messageId = caught.id();
        out.message = caught.message();
        return out;
    };
    const std::string from = Trim(source), to = Trim(target);
    std::string number, unitText;
    double x = 0;
    if (from.empty() || !SplitQuantity(from, &number, &unitText) ||
        ParseReal(number.c_str(), &x) != number.c_str() + number.size())
        return fail(MSG_CONVERT_SYNTAX, from);
    if (caught.id() != 0) return failCaught();  // a number too large
    // The result as the stack shows it, its unit given by its suffix.
    auto formatted = [&](const char* suffix) {
        char buf[256] = "";
        FormatRealWithSuffix(buf, int(sizeof buf), x, suffix, 0, precision, nullptr);
        ToPlainText(buf);
        return std::string(buf);
    };
    // A pair converted before in this batch: its multipliers again.
    if (const UnitTextMemo::Conversion* c =
            memo && !to.empty() ? memo->findConversion(unitText, to) : nullptr) {
        for (const double m : c->scales) x *= m;
        if (!std::isfinite(x)) return fail(MSG_TOO_LARGE, std::string());
        std::string text = formatted(c->suffix.c_str());
        if (caught.id() != 0) return failCaught();
        out.ok = true;
        out.text = std::move(text);
        return out;
    }
    Uid a = NULL_UID, b = NULL_UID;
    if (!ReadUnit(unitText, from, &a, &out, memo, caught)) return out;
    if (!to.empty() && !ReadUnit(to, to, &b, &out, memo, caught)) {
        DeleteExpression(a);
        return out;
    }
    // A temperature reading converts through the zero points, as conv does,
    // and reduces to base units as the absolute temperature it stands for.
    // Only a conversion that no zero point touched is a plain product of
    // multipliers, and may be remembered.
    bool plain = false;
    if (b != NULL_UID) {
        double v = x;
        plain = memo && !ReadingScale(a) && !ReadingScale(b);
        const ScaleResult scaled = ConvertReading(a, b, &v);
        if (scaled != ScaleResult::Plain) DeleteExpression(a);
        if (scaled == ScaleResult::Refused) {
            DeleteExpression(b);
            return failCaught();
        }
        if (scaled == ScaleResult::Done) a = b, b = CopyExpression(b), x = v;
    } else if (Scale s; to.empty() && ReadingScale(a, &s)) {
        if (BelowAbsoluteZero(s, x)) {
            DeleteExpression(a);
            return fail(MSG_BELOW_ABSOLUTE_ZERO, std::string());
        }
        x = s.magnitude * x + s.zero;
        DeleteExpression(a);
        a = ExpressionOf(s.absolute);
    }
    // A target of no unit ("1") takes only a number: a is then compared
    // with it as it stands. A conversion of two units, neither a reading
    // nor a scale, is remembered for the next line with the same pair.
    Uid r = NULL_UID;
    std::vector<double> scales;
    bool traced = false;
    if (to.empty()) {
        r = ReduceToBaseUnits(a, &x);
    } else if (b == NULL_UID) {
        r = a;
    } else if (plain) {
        const FactorTrace trace(&x);
        r = Convert(a, b, &x);
        traced = trace.sound();
        if (traced) scales = trace.scales();
    } else {
        r = Convert(a, b, &x);
    }
    const bool kindsDiffer = !to.empty() && !ExpressionsEqual(r, b);
    if (traced && !kindsDiffer && caught.id() == 0) memo->keepConversion(unitText, to, scales, r);
    std::string text;
    if (caught.id() == 0 && !kindsDiffer && std::isfinite(x))
        text = formatted(RealUnitSuffix(r).c_str());
    DeleteExpression(r);
    DeleteExpression(b);
    // The core's own message (an exponent out of range, a reading it
    // refuses) comes first: it says why the result has another kind.
    if (caught.id() != 0) return failCaught();
    if (kindsDiffer) return fail(MSG_DIFFERENT_KINDS, from, to);
    if (!std::isfinite(x)) return fail(MSG_TOO_LARGE, std::string());
    out.ok = true;
    out.text = std::move(text);
    return out;
}

}  // namespace kiv
