// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs of the keypad and the dialogs: keys with their checks, tooltips,
// messages and the entry's layout, copy then paste as a property, and the
// dialogs driven the way their Qt hosts drive the logic.
//
// A dialog verb is one session: "memdlg store 4" opens the Memory dialog,
// runs its steps (separated by " ; ") and must end closed, by a step that
// closes it (Store, Use, OK) or by "cancel". A dialog the core opens (the
// "mem" key, a typed letter) runs such a line through "ondialog", and so
// does a nested one (Define unit from Rename, Edit Categories from a
// category list).
#include <cmath>
#include <cstring>
#include <random>

#include "app/core/categoriesdlg.h"
#include "app/core/definedlg.h"
#include "app/core/memorydlg.h"
#include "app/core/prefsdlg.h"
#include "app/core/unitlist.h"
#include "app/core/unitsdlg.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "scenario/scenario.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/unittext.h"
#include "window/calctext.h"
#include "window/messages.h"

namespace kiv::scenario {
namespace {

// A dialog's steps by name (a step clears the session's `open` when it ends
// the dialog), and its checks: "NAME TEXT" expects the check to give TEXT.
using Steps = std::map<std::string, std::function<void(const std::string& arg)>>;
using Checks = std::map<std::string, std::function<std::string()>>;

// Runs the " ; "-separated steps; a step the dialog does not know is a line
// of its own ("msg 1317", "answer no", "stack 5 m").
void Session(Case& c, const std::string& dialog, const std::string& args, bool& open,
             const Steps& steps, const Checks& checks = {}) {
    for (const std::string& step : Split(args, " ; ")) {
        const auto [name, arg] = Head(step);
        if (!open) return c.fail(dialog + " closed before '" + step + "'");
        if (steps.count(name))
            steps.at(name)(arg);
        else if (checks.count(name))
            Expect(c, dialog + " " + name, checks.at(name)(), arg);
        else if (name == "cancel")
            open = false;
        else
            c.run(step, c.line);
    }
    if (open) c.fail(dialog + " is still open at the end of the line");
}

// A category list as "*Selected | Other | ...".
std::string CategoryText(const CategoryList& l) {
    std::vector<std::string> items;
    for (size_t i = 0; i < l.items.size(); ++i)
        items.push_back((int(i) == l.selected ? "*" : "") + l.items[i].text);
    return Join(items);
}

bool g_defineOk = false;  // the last Define unit session ended with OK

// ------------------------------------------------------------ main window

// press KEYS [-> LINE ; LINE ...]: the keys, then the check lines.
KIV_VERB("press") {
    const auto [keys, checks] = Head(args, "->");
    c.run("keys " + keys, c.line);
    for (const std::string& check : Split(checks, " ; ")) c.run(check, c.line);
}

// tip ID TEXT: the button's tooltip (\n a line break).
KIV_VERB("tip") {
    const auto [id, text] = Head(args);
    Expect(c, "tip " + id, buttonTooltip(IntArg(c, id)), Unescaped(text));
}

// hint [TEXT]: the note over the empty stack list (none without TEXT).
KIV_VERB("hint") {
    Expect(c, "stack hint", c.win().stackHint, Unescaped(args));
}

// said FIRST NAME | NAME [KEY] | ...: what a screen reader calls the buttons
// from FIRST on, each with its keyboard key in brackets when it has one.
KIV_VERB("said") {
    const auto [first, names] = Head(args);
    const std::vector<std::string> want = Bars(names);
    std::vector<std::string> got;
    for (int id = IntArg(c, first); got.size() < want.size(); ++id) {
        const std::string key = buttonKeyName(id);
        got.push_back(buttonSpokenName(id) + (key.empty() ? "" : " [" + key + "]"));
    }
    Expect(c, "said from " + first, Join(got), Join(want));
}

// coded ID [| TEXT1 [| TEXT2 [| TEXT3]]]: shows coded message ID ("-" an
// absent text).
KIV_VERB("coded") {
    auto p = Bars(args);
    p.resize(4, "-");
    const auto text = [&](size_t i) { return p[i] == "-" ? nullptr : p[i].c_str(); };
    ShowCodedMessage(IntArg(c, p[0]), text(1), text(2), text(3));
}

// box LETTERS CAPTION | TEXT: the next message not yet matched, word for
// word, with the icon and button letters of its style ("?y", "!o", ...).
KIV_VERB("box") {
    const auto* m = c.nextMessage("message box " + args);
    if (!m) return;
    const std::string letters = {"-x?!i"[m->style >> 4 & 7], "oc??y"[m->style & 7]};
    Expect(c, "message box", letters + " " + m->caption + " | " + m->text, Unescaped(args));
}

// layout LEFT RIGHT TEXT WIDTH RUNS...: TEXT ("-" empty) rendered into the
// box [LEFT, RIGHT] takes WIDTH and gives the runs (P plain, D decimal mark,
// S superscript, then the text).
KIV_VERB("layout") {
    const auto w = Words(args);
    const std::string t = w.at(2) == "-" ? "" : Unescaped(w[2]);
    const int left = IntArg(c, w[0]), right = IntArg(c, w[1]), n = int(t.size());
    std::string got = std::to_string(RenderEntryText(t.data(), n, left, right, EntryFontPair()));
    for (const EntryRun& r : c.win().entryRuns)
        got += std::string(" ") + "PDS"[int(r.kind)] + r.text;
    Expect(c, "layout", got, Unescaped(Join({w.begin() + 3, w.end()}, " ")));
}

// copypaste N | UNIT | UNIT ...: N values drawn from a seeded generator are
// copied, dropped, pasted and entered, each under the separators of an
// English, German, French or Swiss German locale: reals with a unit of the
// list ("-" none) in a drawn display mode, precision and grouping come back
// as shown (to their decimals) with their unit; integers in a drawn radix,
// word size, signedness, padding and grouping come back bit for bit, or are
// refused (1345) when the sign and digits are more than the line holds.
KIV_VERB("copypaste") {
    static const char kSeparators[][2] = {{'.', ','}, {',', '.'}, {',', '\xA0'}, {'.', '\x92'}};
    static const double kEdges[] = {0, 1, 0.5, -2.5, 1234567.891, 0.00012, 9.9999, 1e16, 1e17};
    static const int kRadixes[] = {2, 3, 8, 10, 16, 36};
    const auto units = Bars(args);
    std::mt19937_64 rng(20240917);
    int refused = 0;
    setDisplayGeometry(0, 100000, 280, 5);  // wide enough that no copy is cut
    for (int k = IntArg(c, units.at(0)); k > 0 && !c.failed; --k) {
        const char* sep = kSeparators[rng() % 4];
        SetSeparators(sep[0], sep[1]);
        const int radix = k % 2 ? kRadixes[rng() % 6] : 0, bytes = 1 << (rng() % 5),
                  kind = k / 2 % 4;
        State::setPrecision(uint8_t(rng() % 7));
        State::setFullDisplay(rng() % 2 ? 2 : 0);
        State::setRadix(uint8_t(radix));
        State::setGroupSize(radix, uint8_t(rng() % 2 ? 3 : 0));
        State::setDisplayMode(uint8_t(rng() % 4));
        State::setWordSize(uint8_t(8 * bytes));
        State::setSigned(uint8_t(rng() % 2));
        State::setLeadingZeros(uint8_t(rng() % 2));
        // Words random, all ones, zero or the most negative; numbers random
        // of either sign, or edges.
        uint8_t word[16] = {};
        for (int i = 0; i < bytes; ++i) word[i] = kind == 0 ? uint8_t(rng()) : kind == 1 ? 0xFF : 0;
        if (kind == 3) word[bytes - 1] = 0x80;
        double x = (1 + double(rng() % 9000) / 1000) * std::pow(10.0, int(rng() % 41) - 20);
        if (kind == 1) x = -x;
        if (kind == 2) x = kEdges[rng() % std::size(kEdges)];
        const std::string unitText = units.at(1 + rng() % (units.size() - 1));
        bool read = true;
        const Uid unit =
            radix || unitText == "-" ? NULL_UID : ReadUnitExpression(unitText, &read, nullptr);
        if (!read) return c.fail("no unit " + unitText);
        // What is shown rounds to that many decimals, of the number or of the
        // exponent form's mantissa.
        const int decimals = State::fullDisplay() ? 16 : State::floatPrecision();
        const double tol = (0.5 * std::pow(10.0, -decimals) + 4e-16) * std::max(1.0, std::fabs(x));
        Push(radix ? Value::Int(word) : Value::Real(x, DuplicateExpression(unit)));
        const std::string copied = CopyTopText();
        Drop();
        PasteText(copied);
        keyEnter();
        // Only the most negative 128-bit word in binary has more sign and
        // digits than the line holds.
        if (radix == 2 && bytes == 16 && State::signedInts() && kind == 3) {
            c.run("msg 1345", c.line);
            if (Depth() != 0) c.fail(Escaped(copied) + " is typed");
            ++refused;
            continue;
        }
        Value v;
        if (c.win().messages.size() != c.messagesSeen || !Peek(0, &v) || Depth() != 1)
            return c.fail(Escaped(copied) + " does not paste back");
        if (radix ? std::memcmp(v.word(), word, 16) != 0
                  : std::fabs(v.real() - x) > tol || !ExpressionsEqual(v.unit(), unit))
            c.fail(Escaped(copied) + " pastes back as " + Readable(CopyTopText()));
        DeleteExpression(unit);
        Drop();
    }
    if (refused == 0) c.fail("no integer was too long for the line");
}

// --------------------------------------------------------------- dialogs

// memdlg steps: width PX (opens it anew that wide, and every value must fit),
// store R, recall R, clear R (R a register, -1 for no selection), clearall,
// cancel; checks: line R TEXT, selected R (what an opening selects).
KIV_VERB("memdlg") {
    bool open = true;
    auto dlg = std::make_unique<CMemoryDlgLogic>(200);
    const auto width = [&](auto& a) {
        dlg.reset(new CMemoryDlgLogic(IntArg(c, a)));
        for (const std::string& l : dlg->lines())
            if (MeasureText(l.data() + 2, int(l.size()) - 2, ListFontPair()) > IntArg(c, a))
                c.fail("memory line too wide: " + l);
    };
    const auto line = [&](auto& a) {
        const auto [r, text] = Head(a);
        Expect(c, "memory line", dlg->lines().at(size_t(IntArg(c, r))), r + "\t" + text);
    };
    Session(c, "memory", args, open,
            {{"width", width},
             {"store", [&](auto& a) { open = !dlg->store(IntArg(c, a)); }},
             {"recall", [&](auto& a) { open = !dlg->recall(IntArg(c, a)); }},
             {"clear", [&](auto& a) { dlg->clearSelection(IntArg(c, a)); }},
             {"clearall", [&](auto&) { dlg->clearAll(); }},
             {"line", line}},
            {{"selected", [] { return std::to_string(CMemoryDlgLogic::RememberedSelection()); }}});
}

// unitsdlg steps: sel NAME|-, letter X, type LETTERS [MS [STEP]] (type-ahead
// from MS on the dialog's clock, which starts at 0 with the opening, STEP
// apart), search TEXT (the search field), cat DATA (a category item), use,
// delete, rename (Define unit from the next ondialog line), redefine, cancel;
// checks: names N1 N2 ..., line NAME DEFINITION, selected NAME|-, cats LIST,
// changed 0|1, status [TEXT].
KIV_VERB("unitsdlg") {
    UnitsDialogRunners runners{[&c] { return c.nextDialog() && g_defineOk; },
                               [&c] { c.nextDialog(); }};
    const auto dlg = std::make_unique<CUnitsDlgLogic>(400, runners);
    const auto name = [&](int row) {
        return row < 0 ? "-" : Head(dlg->lines()[size_t(row)].text, "\t").first;
    };
    const auto row = [&](const std::string& n) {
        int i = int(dlg->lines().size());
        while (--i >= 0 && name(i) != n) continue;
        if (i < 0 && n != "-") c.fail("no unit line " + n);
        return i;
    };
    const auto names = [&] {
        std::vector<std::string> all;
        for (size_t i = 0; i < dlg->lines().size(); ++i) all.push_back(name(int(i)));
        return Join(all, " ");
    };
    const auto line = [&](auto& a) {
        const auto [n, def] = Head(a);
        if (row(n) >= 0)
            Expect(c, "unit line", dlg->lines()[size_t(row(n))].text, n + "\t" + Unescaped(def));
    };
    const auto type = [&](const std::string& a) {
        const auto w = Words(a + " 0 0");  // the times default to 0
        for (size_t i = 0; i < w[0].size(); ++i)
            dlg->typeLetter(w[0][i], IntArg(c, w[1]) + int64_t(i) * IntArg(c, w[2]));
    };
    bool open = true;
    Session(c, "units", args, open,
            {{"sel", [&](auto& a) { dlg->select(row(a)); }},
             {"letter", [&](auto& a) { dlg->selectByLetter(a[0]); }},
             {"type", type},
             {"search", [&](auto& a) { dlg->search(Unescaped(a)); }},
             {"cat", [&](auto& a) { dlg->categoryChosen(IntArg(c, a)); }},
             {"use", [&](auto&) { open = !dlg->use(); }},
             {"delete", [&](auto&) { dlg->remove(); }},
             {"rename", [&](auto&) { dlg->rename(); }},
             {"redefine", [&](auto&) { dlg->redefine(); }},
             {"cancel", [&](auto&) { dlg->cancel(), open = false; }},
             {"line", line}},
            {{"names", names},
             {"selected", [&] { return name(dlg->selection()); }},
             {"cats", [&] { return CategoryText(dlg->categories()); }},
             {"changed", [&] { return dlg->stackChanged() ? "1" : "0"; }},
             {"status", [&] { return dlg->status(); }}});
}

// definedlg steps: ok NAME [DATA] (DATA: the chosen category item's data,
// by default the list's selection), cancel, close (the close box), cat DATA
// (1000, "Edit Categories...", runs the next ondialog line), long TEXT (the
// long-name field); checks: name [TEXT] (the name field: the unit's name at
// opening, after an OK the name as OK stores it), shownlong [TEXT] (the
// unit's long name at opening), def TEXT, cats LIST.
KIV_VERB("definedlg") {
    g_defineOk = false;
    auto dlg = std::make_unique<CDefineUnitLogic>(0, [&c] { c.nextDialog(); });
    std::string field = dlg->initialName();
    bool open = true;
    const auto ok = [&](auto& a) {
        const auto [n, data] = Head(a);
        const CategoryList& l = dlg->categories();
        const int chosen = l.selected < 0 ? -1 : l.items[size_t(l.selected)].data;
        field = TrimmedUnitName(Unescaped(n));
        open = !(g_defineOk = dlg->ok(Unescaped(n), data.empty() ? chosen : IntArg(c, data)));
    };
    Session(c, "define", args, open,
            {{"ok", ok},
             {"cancel", [&](auto&) { dlg->cancel(), open = false; }},
             {"close", [&](auto&) { dlg.reset(), open = false; }},
             {"cat", [&](auto& a) { dlg->categoryChosen(IntArg(c, a)); }},
             {"long", [&](auto& a) { dlg->setLongNameField(Unescaped(a)); }}},
            {{"name", [&] { return field; }},
             {"shownlong", [&] { return dlg->initialLongName(); }},
             {"def", [&] { return dlg->definitionText(); }},
             {"cats", [&] { return CategoryText(dlg->categories()); }}});
}

// catdlg steps: new NAME, rename N NAME, delete N (N a category, -1 none;
// the name dialog answers NAME, "_" empty, "-" Cancel), ok; checks: lines
// A | B (the listed names), prompted [A][B] (what the name dialog showed).
KIV_VERB("catdlg") {
    std::string answer, prompted;
    CEditCategoriesLogic dlg([&](std::string* name) {
        prompted += "[" + *name + "]";
        if (answer == "-") return false;
        *name = answer == "_" ? "" : Unescaped(answer);
        return true;
    });
    const auto lines = [&] { return CategoryText({dlg.lines(), -1}); };
    bool open = true;
    Session(c, "categories", args, open,
            {{"new", [&](auto& a) { answer = a, dlg.onNew(); }},
             {"rename",
              [&](auto& a) {
                  const auto [n, name] = Head(a);
                  answer = name, dlg.onRename(IntArg(c, n));
              }},
             {"delete", [&](auto& a) { dlg.onDelete(IntArg(c, a)); }},
             {"ok", [&](auto&) { open = false; }}},
            {{"lines", lines}, {"prompted", [&] { return prompted; }}});
}

// Fields of the settings dialogs: a text field, or a check box "0"/"1".
Field Text(std::string& s) {
    return {[&s] { return s; }, [&s](const std::string& v) { s = v; }};
}
Field Box(bool& b) {
    return {[&b] { return b ? "1" : "0"; }, [&b](const std::string& v) { b = v == "1"; }};
}

// Steps: set NAME V ..., has NAME V ..., ok [ID] (ID: the field the dialog
// refuses and focuses, 0 when it closes), cancel.
void FieldsDialog(Case& c, const std::string& args, const std::map<std::string, Field>& fields,
                  const std::function<int()>& ok) {
    bool open = true;
    Session(c, "settings", args, open,
            {{"set", [&](auto& a) { PutFields(c, fields, a, false); }},
             {"has", [&](auto& a) { PutFields(c, fields, a, true); }},
             {"ok", [&](auto& a) {
                  const std::string refused = std::to_string(ok());
                  Expect(c, "refused field", refused, a.empty() ? "0" : a);
                  open = refused != "0";
              }}});
}

// prefsdlg: fields size warn simplify invtrig askclear hp.
KIV_VERB("prefsdlg") {
    PrefsFields f = CPrefsDlgLogic::Open();
    FieldsDialog(c, args,
                 {{"size", Text(f.stackSize)},
                  {"warn", Box(f.warnOverflow)},
                  {"simplify", Box(f.simplifyUnits)},
                  {"invtrig", Box(f.invTrigUnits)},
                  {"askclear", Box(f.askClear)},
                  {"hp", Box(f.hpStack)}},
                 [&f] { return CPrefsDlgLogic::Ok(f); });
}

// dprefsdlg: fields precision float hex dec oct bin other.
KIV_VERB("dprefsdlg") {
    DisplayPrefsFields f = CDisplayPrefsDlgLogic::Open();
    std::map<std::string, Field> fields = {{"precision", Text(f.precision)}};
    const char* const groups[] = {"float", "hex", "dec", "oct", "bin", "other"};
    for (size_t i = 0; i < 6; ++i) fields[groups[i]] = Text(f.groups[i]);
    FieldsDialog(c, args, fields, [&f] { return CDisplayPrefsDlgLogic::Ok(f); });
}

}  // namespace
}  // namespace kiv::scenario
