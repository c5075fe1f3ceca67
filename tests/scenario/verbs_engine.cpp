// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's verbs: values put on the stack as text, and tables whose rows
// "HEAD: LEFT => RIGHT ; LEFT => RIGHT ; HEAD: ..." (a row without a head
// keeps the one before) are keys and the stack they give, operations in
// their frame, formatting and parsing.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "app/core/unitlist.h"
#include "engine/format.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "scenario/scenario.h"
#include "storage/state.h"
#include "units/algebra.h"

namespace kiv::scenario {
namespace {

constexpr size_t npos = std::string::npos;

using Row = std::array<std::string, 3>;  // head, left, right
std::vector<Row> TableRows(Case& c, const std::string& args) {
    std::vector<Row> rows;
    std::string head;
    for (const std::string& row : Split(args, " ; ")) {
        const size_t colon = row.find(": "), arrow = row.find("=>");
        if (arrow == npos) c.fail("a row without '=>': " + row);
        if (colon < arrow) head = Trim(row.substr(0, colon));
        const size_t from = colon < arrow ? colon + 2 : 0;
        rows.push_back({head, Trim(row.substr(from, arrow - from)), Trim(row.substr(arrow + 2))});
    }
    return rows;
}

// "2.5 km2/s" (the unit read as a unit list reads one; "inf" and "nan" for
// those numbers) in floating mode; digits of the radix in integer mode.
Value ParseValue(Case& c, const std::string& t) {
    Word w;
    const int radix = State::radix();
    if (radix && *ParseInteger(t.c_str(), radix, &w)) c.fail("not an integer: " + t);
    if (radix) return Value::Int(w.b);
    char* end = nullptr;
    const double d = std::strtod(t.c_str(), &end);
    const std::string unit = Trim(end);
    if (unit.empty()) return Value::Real(d, NULL_UID);
    if (ReadUnitList(".btn 49 1 " + unit, "case")) c.fail("no unit " + unit);
    const Uid u = DuplicateExpression(State::userButton(49));
    setSlot(49, NULL_UID);
    return Value::Real(d, u);
}

// The stack exactly: each number or word and each unit's components.
std::string Exact() {
    std::string s;
    for (int i = 0; i < Depth(); ++i) {
        const Value v = State::stackEntry(i);
        s.append(reinterpret_cast<const char*>(v.word()),
                 v.isReal() ? 8 : size_t(State::wordSize() / 8));
        for (const Component& k : Components(v.isReal() ? v.unit() : NULL_UID))
            s += std::to_string(k.unit) + char(k.prefix) + char(k.exponent);
        s += '|';
    }
    return s;
}

// "RADIX.WORD[s][z]" (signed, leading zeros) sets integer mode without
// converting anything; any other text sets floating mode. True for integers.
bool SetMode(const std::string& mode) {
    const size_t dot = mode.find('.');
    State::setRadix(uint8_t(dot == npos ? 0 : std::atoi(mode.c_str())));
    if (dot == npos) return false;
    State::setWordSize(uint8_t(std::atoi(mode.c_str() + dot + 1)));
    State::setSigned(mode.find('s') != npos);
    State::setLeadingZeros(mode.find('z') != npos);
    return true;
}

// "STACK !MSG ...": the messages shown since, then (when asked) the stack.
void ExpectShown(Case& c, const std::string& want, bool stack = true) {
    for (const std::string& m : Words(want.substr(std::min(want.find('!'), want.size()))))
        c.run("msg " + m.substr(1), c.line);
    if (stack) c.run("stack " + Trim(want.substr(0, want.find('!'))), c.line);
}

// Runs a "set" or "eng_" line given as a row's left side.
bool RanVerb(Case& c, const std::string& line) {
    const bool verb = line.rfind("set ", 0) == 0 || line.rfind("eng_", 0) == 0;
    if (verb) c.run(line, c.line);
    return verb;
}

// eng_push A | B ...: an empty stack without saved arguments, then these.
KIV_VERB("eng_push") {
    ClearStack();
    ForgetSavedArguments();
    for (const std::string& t : Bars(args)) Push(ParseValue(c, t));
    refreshDisplay();
}

// eng_keys KEYS => STACK !MSG ; ...: the keys give that stack and those
// messages. KEYS may also be a "set" or "eng_" line, or "xch N": an
// exchange of X with level N (a double click on the stack list).
KIV_VERB("eng_keys") {
    for (const Row& r : TableRows(c, args)) {
        if (r[1].rfind("xch ", 0) == 0)
            Exchange(std::atoi(r[1].c_str() + 4));
        else if (!RanVerb(c, r[1]))
            c.run("keys " + r[1], c.line);
        ExpectShown(c, r[2]);
    }
}

// eng_op KEYS: A | B => RESULT !MSG ; ...: from a stack of just A, B (shift
// keys released) the keys give RESULT and the messages, and Undo brings A,
// B back exactly; without a RESULT the keys are refused: the stack stays
// exactly as it was and Undo is off. A "set" row ("set signed 1 =>")
// changes a setting between rows.
KIV_VERB("eng_op") {
    for (const Row& r : TableRows(c, args)) {
        if (RanVerb(c, r[1])) continue;
        c.run("eng_push " + r[1], c.line);
        c.run("set alt 0 hyp 0", c.line);
        const std::string before = Exact();
        c.run("keys " + r[0], c.line);
        const bool refused = r[2][0] == '!';
        ExpectShown(c, r[2], !refused);
        if (!refused) Undo();
        if (Exact() != before || State::savedCount() != 0)
            c.fail(r[1] + (refused ? " is not refused as it was" : " is not brought back by Undo"));
    }
}

// eng_mem I VALUE sets memory register I; eng_mem I = TEXT checks it.
KIV_VERB("eng_mem") {
    const int i = std::atoi(args.c_str());
    const std::string v = Trim(args.substr(args.find(' ') + 1)), want = Trim(v.substr(1));
    if (v[0] != '=') return State::setMemory(i, ParseValue(c, v));
    if (Readable(FormatValueText(State::memory(i), 0, 10, nullptr)) != want) c.fail("not " + want);
}

// eng_fmt MODE PREC[#SIZE] WIDTH: VALUE => TEXT ; ...: VALUE (as eng_push
// reads it) formatted into SIZE bytes (200). MODE: std, fix, sci or eng, or
// RADIX.WORD with "s" for signed and "z" for leading zeros; "/G" groups by G
// digits. WIDTH "-": no font pair; "0": the list's pair without a limit;
// else a limit of that text's width (escapes allowed) plus "@PIXELS".
KIV_VERB("eng_fmt") {
    static const std::string modes = "std fix sci eng";
    for (const Row& r : TableRows(c, args)) {
        const auto w = Words(r[0]);
        if (w.size() != 3) return c.fail("eng_fmt MODE PREC WIDTH: VALUE => TEXT");
        const size_t slash = w[0].find('/'), hash = w[1].find('#'), at = w[2].find('@');
        if (!SetMode(w[0])) State::setDisplayMode(uint8_t(modes.find(w[0].substr(0, 3)) / 4));
        State::setGroupSize(State::radix(),
                            uint8_t(slash == npos ? 0 : std::atoi(&w[0][slash + 1])));
        const int size = hash == npos ? 200 : std::atoi(&w[1][hash + 1]);
        const FontPair* pair = w[2] == "-" ? nullptr : &ListFontPair();
        const std::string fit = Unescaped(w[2].substr(0, at));
        int limit = at == npos ? 0 : std::atoi(&w[2][at + 1]);
        limit = !pair || w[2] == "0" ? 0 : limit + MeasureText(fit.data(), int(fit.size()), *pair);
        const Value v = ParseValue(c, r[1]);
        std::string raw(size_t(size) + 16, '\x7F');
        FormatValue(raw.data(), size, v, limit, std::atoi(w[1].c_str()), pair);
        if (v.isReal()) DeleteExpression(v.unit());
        if (raw.find('\0') >= size_t(size) || raw.find_first_not_of('\x7F', size_t(size)) != npos)
            return c.fail(r[1] + " is written past the destination");
        raw.resize(raw.find('\0'));
        if (Readable(raw) != Unescaped(r[2])) c.fail(r[1] + " gives '" + Escaped(raw) + "'");
        if (raw.find('.') < raw.find("...")) c.fail(r[1] + ": a plain '.' for the decimal point");
    }
}

// eng_parse HEAD: TEXT => VALUE @N ; ...: TEXT (escapes allowed) read as a
// number is VALUE (as eng_fmt std 15 - shows it) and ends after N
// characters, with the messages "!MSG". HEAD: RADIX.WORD as in eng_fmt,
// else a real's decimal separator ("." when none is given).
KIV_VERB("eng_parse") {
    for (const Row& r : TableRows(c, args)) {
        const std::string text = Unescaped(r[1]);
        const bool integer = SetMode(r[0]);
        SetSeparators(r[0].empty() || integer ? '.' : Unescaped(r[0])[0], ',');
        Word word;
        double d = -99;
        const char* end = integer ? ParseInteger(text.c_str(), State::radix(), &word)
                                  : ParseReal(text.c_str(), &d);
        SetSeparators('.', ',');
        State::setDisplayMode(0);
        const Value v = integer ? Value::Int(word.b) : Value::Real(d, NULL_UID);
        const std::string got = Readable(FormatValueText(v, 0, 15, nullptr)) + " @" +
                                std::to_string(end - text.c_str());
        ExpectShown(c, r[2], false);
        if (got != Trim(r[2].substr(0, r[2].find('!')))) c.fail(r[1] + " is read as " + got);
    }
}

}  // namespace
}  // namespace kiv::scenario
