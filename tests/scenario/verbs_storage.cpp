// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs of the storage and units cases: unit expressions written as text,
// the unit algebra on them, the unit table, holders of expressions, and
// damage to records followed by the reload that start-up does.
//
// An expression is written "km*s/h2", "s^-1*m" or "1/s" ("/" turns every
// later factor into the denominator); "k:m" or "4:m" gives a prefix
// explicitly, "-" is no unit; a name that is no unit is split into a prefix
// letter and a unit, as a unit list does. Unit texts are shown as plain
// text ("-" for no unit).
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/core/unitlist.h"
#include "engine/stack.h"
#include "fuzz/invariants.h"
#include "keypad/keypad.h"
#include "scenario/scenario.h"
#include "units/algebra.h"
#include "units/unittext.h"
#include "window/calctext.h"
#include "window/messages.h"

namespace kiv::scenario {
namespace {

std::string Shown(Uid e) {
    const std::string t = Readable(WholeExpressionText(e));
    return t.empty() ? "-" : t;
}

Uid Expr(Case& c, const std::string& t) {
    const Uid e = t == "-" ? NULL_UID : NewExpression();
    bool below = false;
    for (size_t p = t.compare(0, 2, "1/") ? 0 : 1; e != NULL_UID && p < t.size();) {
        if (t[p] == '/' || t[p] == '*') {
            below = t[p++] == '/' || below;
            continue;
        }
        int prefix = 0, x = 1;
        if (const size_t colon = t.find(':', p); colon < t.find_first_of("*/", p)) {
            prefix = std::isalpha(uint8_t(t[p])) ? PrefixPower(t[p]) : std::stoi(t.substr(p));
            p = colon + 1;
        }
        const size_t start = p;
        while (p < t.size() && std::isalpha(uint8_t(t[p]))) ++p;
        const std::string name = t.substr(start, p - start);
        size_t used = 0;
        if (p < t.size() && (t[p] == '^' || std::isdigit(uint8_t(t[p]))))
            x = std::stoi(t.substr(p + (t[p] == '^')), &used), p += used + (t[p] == '^');
        Uid u = NULL_UID;
        if (!FindUnitByName(name, &u) && !prefix && name.size() > 1)
            prefix = PrefixPower(name[0]), FindUnitByName(name.substr(1), &u);
        if (u == NULL_UID) c.fail("no unit " + name + " in " + t);
        MultiplyIn(e, u, prefix, below ? -x : x, nullptr);
    }
    return Normalise(e);
}

// A double as C reads WANT ("0.1", "0x1.8p-3"): within `tolerance`
// relative, or (tolerance 0) the same bits.
void ExpectNear(Case& c, const std::string& what, double got, const std::string& want,
                double tolerance = 1e-12) {
    const double w = std::strtod(want.c_str(), nullptr);
    if (std::memcmp(&got, &w, sizeof w) == 0 || std::fabs(got - w) < tolerance * std::fabs(w))
        return;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.17g (%a)", got, got);
    c.fail(what + " is " + buf + ", expected " + want);
}

// alg OP A [B [D K [C]]] = TEXT [FACTOR]: OP is reduce, convert, simplify,
// merge, product (a x b^(D/K), prefix C on b's first component), productnf
// (the same without a factor), equal (TEXT yes or no) or text. The factor
// starts at 1 and must end at FACTOR (1 when left out).
KIV_VERB("alg") {
    const size_t eq = args.find(" = ");
    const auto w = Words(args.substr(0, eq)), want = Words(args.substr(eq + 3));
    if (eq == std::string::npos || w.size() < 2 || want.empty()) return c.fail("alg OP A = R");
    const Uid a = Expr(c, w[1]), b = w.size() > 2 ? Expr(c, w[2]) : NULL_UID;
    const auto n = [&](size_t i) { return w.size() > i ? IntArg(c, w[i]) : 0; };
    double f = 1.0;
    Uid r = a;
    if (w[0] == "reduce") r = ReduceToBaseUnits(a, &f);
    if (w[0] == "convert") r = Convert(a, b, &f);
    if (w[0] == "simplify") r = Simplify(a, &f);
    if (w[0] == "merge") r = MergeLikeUnits(a, &f);
    if (w[0].rfind("product", 0) == 0)
        r = Product(a, b, n(5), n(3), n(4), w[0] == "product" ? &f : nullptr);
    const std::string got = w[0] == "equal" ? (ExpressionsEqual(a, b) ? "yes" : "no") : Shown(r);
    if (w[0] == "merge" || w[0].rfind("product", 0) == 0 || w[0] == "equal") DeleteExpression(a);
    if (w[0] != "equal") DeleteExpression(r);
    DeleteExpression(b);
    Expect(c, args.substr(0, eq), got, want[0]);
    ExpectNear(c, "factor", f, want.size() > 1 ? want[1] : "1");
}

// unit NAME CATEGORY MAGNITUDE DEFINITION [| NAME ...], NAME - for none:
// units as stored (\xNN escapes in the name).
KIV_VERB("unit") {
    for (const std::string& one : Bars(args)) {
        const auto w = Words(one);
        const int i = w.empty() ? 0 : FindUnitByName(Unescaped(w[0]));
        if (w.size() == 2 && w[1] == "-") {
            if (i) c.fail("unit " + w[0] + " exists");
        } else if ((w.size() != 4 && !(w.size() == 6 && w[4] == "@")) || !i) {
            c.fail("no unit " + one);
        } else {
            Expect(c, "category of " + w[0], std::to_string(CategoryOfRecord(i)), w[1]);
            ExpectNear(c, "magnitude of " + w[0], UnitMagnitude(i), w[2], 0);
            Expect(c, "definition of " + w[0], Shown(UnitDefinition(i)), w[3]);
            double zero = 0;
            const bool has = UnitZeroPoint(i, &zero);
            if (has != (w.size() == 6)) c.fail(w[0] + (has ? " has a zero point" : " has none"));
            if (has && w.size() == 6) ExpectNear(c, "zero point of " + w[0], zero, w[5], 0);
        }
    }
}

// longname NAME [TEXT]: unit NAME's long name (\xNN escapes), or none;
// longname *: every unit has one.
KIV_VERB("longname") {
    if (args == "*") {  // every unit has one
        for (int i = 1; MainDb() && i < MainDb()->count(); ++i)
            if (IsUnitRecord(i) && UnitLongName(i).empty())
                c.fail(UnitName(i) + " has no long name");
        return;
    }
    const size_t space = args.find(' ');
    const std::string name = args.substr(0, space);
    const int i = FindUnitByName(Unescaped(name));
    if (!i) return c.fail("no unit " + name);
    const std::string want = space == std::string::npos ? "" : Unescaped(args.substr(space + 1));
    Expect(c, "long name of " + name, UnitLongName(i), want);
}

// unitorder NAME...: the unit records in database order, after the state
// record and before every expression.
KIV_VERB("unitorder") {
    std::vector<std::string> names;
    int i = 1;
    for (; IsUnitRecord(i); ++i) names.push_back(UnitName(i));
    while (IsExpressionRecord(i)) ++i;
    if (i != MainDb()->count() || MainDb()->u8(0, 0) != 0) c.fail("records out of order");
    Expect(c, "units", Join(names, " "), args);
}

// exported LINE | LINE ...: the export of the unit table (a tab shown \t,
// \xNN escapes). exported refused: the export to a file fails and writes
// no file (the case matches its message). exported same: that export, read
// back, exports the same.
KIV_VERB("exported") {
    if (args == "same") {  // the export read back exports the very same text
        const std::string first = UnitListText();
        if (const int stop = ReadUnitList(first, "export"))
            return c.fail("the export stops at its line " + std::to_string(stop));
        return Expect(c, "export read back", UnitListText(), first);
    }
    if (args == "refused") {
        const std::string path =
            (std::filesystem::temp_directory_path() / ("kiv-export-" + std::to_string(::getpid())))
                .string();
        std::filesystem::remove(path);
        if (ExportUnitListFile(path)) c.fail("the export succeeded");
        if (std::filesystem::exists(path)) c.fail("the export wrote a file");
        std::filesystem::remove(path);
        return;
    }
    std::string shown;
    for (const char ch : UnitListText())
        shown += ch == '\t' ? "\\t" : ch == '\n' ? " | " : std::string(1, ch);
    Expect(c, "export", shown, Unescaped(args) + " | ");
}

// dbrecords UNITS EXPRESSIONS [CATEGORY UNITS_IN_IT]: and nothing else.
KIV_VERB("dbrecords") {
    const auto w = Words(args);
    const RecordCounts all = CountRecords(255);
    std::string got = std::to_string(all.unitsTotal) + " " + std::to_string(all.expressions);
    if (w.size() > 3)
        got += " " + w[2] + " " + std::to_string(CountRecords(IntArg(c, w[2])).unitsInCategory);
    if (MainDb()->count() != 1 + all.unitsTotal + all.expressions) got += " and more";
    Expect(c, "records", got, args);
}

// lines TEXT [! LINE]: TEXT (\t, \r, \0, \n and \xNN escapes) read as a
// unit list; with "! LINE" the reading must stop at that line with its
// syntax error (any other message of the stop the case matches; "! -1": the
// reading was declined).
KIV_VERB("lines") {
    const size_t bang = args.rfind(" ! ");
    std::string text = args.substr(0, bang);
    for (const auto& [from, to] : {std::pair{"\\t", "\\x09"}, {"\\r", "\\x0d"}, {"\\0", "\\x00"}})
        for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, 2, to);
    const size_t before = c.win().messages.size();
    const std::vector<uint8_t> bytes = SerializeDatabase(*MainDb());
    const int stop = ReadUnitList(Unescaped(text), "lines");
    if (stop == kImportDeclined && SerializeDatabase(*MainDb()) != bytes)
        c.fail("a declined reading changed the database");
    if (stop != (bang == std::string::npos ? 0 : IntArg(c, args.substr(bang + 3))))
        c.fail("reading stopped at line " + std::to_string(stop));
    const auto& shown = c.win().messages;
    const std::string line = std::to_string(stop);
    if (stop > 0 && shown.size() > before &&
        shown.back().text == ComposeCodedMessage(MSG_SYNTAX, "lines", line.c_str()).text)
        c.run("msg " + std::to_string(MSG_SYNTAX) + " | lines | " + std::to_string(stop), c.line);
    refreshLabels();
}

// delunit NAME: the Units dialog's Delete, its question matched (its result
// must say whether the unit went); redefine NAME MAGNITUDE =: the unit given
// its own definition again (the Units dialog's Redefine gives it others).
KIV_VERB("delunit") {
    const int i = FindUnitByName(args);
    if (DeleteUnit(i) != (i != 0 && !FindUnitByName(args))) c.fail("delete reports otherwise");
    if (i) c.run("msg " + std::to_string(MSG_CONFIRM_DELETE) + " | " + args, c.line);
    refreshDisplay();
}
KIV_VERB("redefine") {
    const auto [name, magnitude] = Head(args);
    const int i = FindUnitByName(name);
    RedefineUnit(i, std::strtod(magnitude.c_str(), nullptr), UnitDefinition(i));
}

Uid g_chosen = NULL_UID;  // a process-wide unit, as a dialog holds one

// hold stack X E | memory N X E | saved N X E | entry E | button N E |
// chosen E [| ...]: new expressions on holders. entryunit E: the entry
// line's unit (eng_mem shows a register's value with its unit).
KIV_VERB("hold") {
    RegisterProcessUnit(&g_chosen, "chosen");
    for (const std::string& one : Bars(args)) {
        const auto w = Words(one);
        if (w.size() < 2) return c.fail("hold HOLDER E");
        const Uid e = Expr(c, w.back());
        const Value v = Value::Real(std::strtod(w[w.size() - 2].c_str(), nullptr), e);
        const int n = w.size() > 3 || w[0] == "button" ? IntArg(c, w[1]) : 0;
        if (w[0] == "stack") Push(v);
        if (w[0] == "memory") State::setMemory(n, v);
        if (w[0] == "saved") State::setSaved(n, v);
        if (w[0] == "saved") State::setSavedCount(uint8_t(std::max(State::savedCount(), n + 1)));
        if (w[0] == "button") setSlot(n, e);
        if (w[0] == "entry") State::setEntryUnit(e);
        if (w[0] == "chosen") g_chosen = e;
    }
    refreshDisplay();
}
KIV_VERB("entryunit") {
    Expect(c, "entry unit", Shown(State::entryUnit()), args);
}

// A record: state, unit:NAME, def:NAME (a unit's definition), slot:N (the
// expression on a user button) or stack:N (a stack entry's expression).
int Record(Case& c, const std::string& name) {
    const std::string kind = name.substr(0, name.find(':')),
                      rest = name.substr(std::min(name.size(), kind.size() + 1));
    const Database& db = *MainDb();
    int i = name == "state" ? 0 : -1;
    if (kind == "unit" || kind == "def") i = FindUnitByName(rest);
    if (kind == "def") i = db.findByUid(UnitDefinition(i));
    if (kind == "slot") i = db.findByUid(State::userButton(IntArg(c, rest)));
    if (kind == "stack") i = db.findByUid(State::stackEntry(IntArg(c, rest)).unit());
    if (i < 0 || (i == 0 && name != "state")) c.fail("no record " + name);
    return i;
}

// rec REC set OFF WIDTH VALUE ... (VALUE a number, a double for WIDTH 8,
// "missing" for a UID no record has, uid:REC for a record's UID), rec REC
// is OFF WIDTH VALUE ..., rec REC fill OFF LENGTH BYTE, rec REC size N,
// rec REC drop, rec new KIND SIZE CATEGORY (a record appended).
KIV_VERB("rec") {
    const auto w = Words(args);
    Database& db = *MainDb();
    const auto n = [&](size_t k) { return size_t(IntArg(c, k < w.size() ? w[k] : "")); };
    if (w.size() == 4 && w[0] == "new")
        return db.writeU8(NewAppRecord(n(2), int(n(3))), 0, uint8_t(n(1)));
    const int i = Record(c, w.empty() ? "" : w[0]);
    if (w.size() < 2 || i < 0) return c.fail("rec REC WHAT ...");
    if (w[1] == "fill") return db.setBytes(i, n(2), n(3), uint8_t(n(4)));
    if (w[1] == "size") return (void)db.resizeRecord(i, n(2));
    if (w[1] == "length")
        return Expect(c, w[0] + " length", std::to_string(db.size(i)), std::to_string(n(2)));
    if (w[1] == "drop") return (void)DeleteByUid(db.uid(i));
    for (size_t k = 2; k + 2 < w.size(); k += 3) {
        const size_t off = n(k), width = n(k + 1);
        const std::string& v = w[k + 2];
        const double d = std::strtod(v.c_str(), nullptr);
        uint64_t bits = uint32_t(std::strtoll(v.c_str(), nullptr, 0)), got = 0;
        if (v == "missing") bits = db.nextUid + 50, db.nextUid += 100;
        if (v.rfind("uid:", 0) == 0) bits = db.uid(Record(c, v.substr(4)));
        if (width == 8) std::memcpy(&bits, &d, 8);
        if (w[1] == "set") db.writeAt(i, off, &bits, width);
        if (off + width <= db.size(i)) std::memcpy(&got, db.bytes(i).data() + off, width);
        if (got != bits) c.fail(w[0] + " at " + w[k] + " holds " + std::to_string(got));
    }
}

// reload [same]: the main database saved and loaded again as start-up
// loads it, repair included ("same": every byte kept). It must then be
// sound and save and load again unchanged.
KIV_VERB("reload") {
    const std::vector<uint8_t> bytes = SerializeDatabase(*MainDb());
    auto db = std::make_unique<Database>();
    if (ParseDatabase(bytes.data(), bytes.size(), FourCC("Data"), FourCC("Kivc"), db.get()) !=
        LoadStatus::Ok)
        return c.fail("the saved database does not load");
    ReleaseStateRecord();
    RepairMainDatabase(*db);
    SetMainDb(std::move(db));
    LocateStateRecord();
    if (args == "same" && SerializeDatabase(*MainDb()) != bytes) c.fail("the repair changed it");
    const std::string report = check::StateRangeReport() + check::RoundTripReport();
    if (!report.empty()) c.fail(report);
    refreshLabels();
    refreshDisplay();
}

// dbcapacity +N: room for N more records.
KIV_VERB("dbcapacity") {
    MainDb()->capacity = uint32_t(MainDb()->count() + IntArg(c, args));
}

}  // namespace
}  // namespace kiv::scenario
