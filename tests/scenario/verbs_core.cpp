// SPDX-License-Identifier: GPL-3.0-or-later
// The driver's general verbs: units and settings to start from, keys,
// answers, and the checks of what the window shows.
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <type_traits>

#include "app/core/unitlist.h"
#include "engine/arith.h"
#include "engine/format.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "keypad/script.h"
#include "res/resource.h"
#include "scenario/scenario.h"
#include "storage/state.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unitrec.h"
#include "units/unittext.h"
#include "window/calctext.h"
#include "window/messages.h"

namespace kiv::scenario {
namespace {

// ----------------------------------------------------------------- set-up

// units fixture | units US | units UK
KIV_VERB("units") {
    if (args == "fixture") return void(MakeUnitTable());
    const auto text = ReadBytes(std::string(KIV_SOURCE_DATA_DIR) + "/units-" + args + ".txt");
    if (text.empty()) return c.fail("no shipped list " + args);
    c.run("list " + args + "\n" + std::string(text.begin(), text.end()), c.line);
    // Every name reads back as its own unit, never as a prefix and another
    // unit (qt is the quart, not a quecto-tonne).
    for (int i = 1; IsUnitRecord(i); ++i) {
        bool ok = false;
        Uid u = NULL_UID;
        const std::string name = UnitName(i);
        const Uid read = ReadUnitExpression(name, &ok, nullptr);
        const Uid own = FindUnitByName(name, &u) == i ? ExpressionOf(u) : NULL_UID;
        if (!ok || own == NULL_UID || !ExpressionsEqual(read, own))
            c.fail(name + " reads as another unit");
        DeleteExpression(read);
        DeleteExpression(own);
    }
}

// list [name] / lines of a unit list / end: read as an import of that text;
// "list !" expects the reading to stop (then "msg" the syntax error).
KIV_VERB("list") {
    const auto [head, text] = Head(args, "\n");
    const int stop = ReadUnitList(text, head.empty() ? "list" : head);
    if (stop && head != "!") c.fail("list stops at its line " + std::to_string(stop));
    if (!stop && head == "!") c.fail("list was read to its end");
    refreshLabels();
}

// A field read (and, given Set, written) through the state's own functions.
template <auto Get, auto Set = nullptr>
Field F() {
    Field f{[] { return std::to_string(int(Get())); }, nullptr};
    // By type: a sanitizer build does not fold a function's address compared with null.
    if constexpr (!std::is_null_pointer_v<decltype(Set)>)
        f.set = [](const std::string& v) { Set(std::stoi(v, nullptr, 0)); };
    return f;
}

using S = State;
const std::map<std::string, Field> kStateFields = {
    {"radix", F<S::radix, setRadix>()},
    {"word", F<S::wordSize, setWordSize>()},
    {"signed", F<S::signedInts, S::setSigned>()},
    {"display", F<S::displayMode, S::setDisplayMode>()},
    {"precision", F<S::floatPrecision, S::setPrecision>()},
    {"degrees", F<S::degrees, S::setAngleUnit>()},
    {"alt", F<S::altShift, S::setAltShift>()},
    {"hyp", F<S::hypShift, S::setHypShift>()},
    {"unitkeypad", F<S::unitKeypad, S::setUnitKeypad>()},
    {"pad", F<S::padZeros, S::setLeadingZeros>()},
    {"per", F<S::perState, S::setPerState>()},
    {"full", F<S::fullDisplay, S::setFullDisplay>()},
    {"prefixlevel", F<S::prefixLevel, S::setPrefixLevel>()},
    {"simplify", F<S::simplifyUnits, S::setSimplifyUnits>()},
    {"warnoverflow", F<S::warnOverflow, S::setWarnOverflow>()},
    {"invtrig", F<S::invTrigUnits, S::setInvTrigUnits>()},
    {"askclear", F<S::askClear, S::setAskClear>()},
    {"zoom", F<S::zoom, S::setZoom>()},
    {"ontop", F<S::alwaysOnTop, S::setAlwaysOnTop>()},
    {"hp", F<S::hpStack, SetHpStackMode>()},
    {"stacksize", F<S::stackSize, SetStackSize>()},
    {"saved", F<S::savedCount>()},
    {"depth", F<Depth>()},
    {"entrylength", F<S::entryLength>()},
};

// set NAME VALUE ...: state fields (pairs may repeat on one line), then a
// relabel and a redraw as after a settings dialog.
KIV_VERB("set") {
    PutFields(c, kStateFields, args, false);
    refreshLabels();
    refreshDisplay();
}

// state NAME VALUE ...: checks state fields.
KIV_VERB("state") {
    PutFields(c, kStateFields, args, true);
}

// separators DECIMAL GROUP: the locale's separators (\xNN escapes); every
// case starts with ". ,".
KIV_VERB("separators") {
    const auto w = Words(Unescaped(args));
    SetSeparators(w.at(0).at(0), w.at(1).at(0));
    refreshDisplay();
}

// ------------------------------------------------------------------- keys

const std::map<std::string, int> kCommands = {
    {"float", ID_RADIX_FLOAT}, {"hex", ID_RADIX_HEX},       {"dec", ID_RADIX_DEC},
    {"oct", ID_RADIX_OCT},     {"bin", ID_RADIX_BIN},       {"stackradix", ID_RADIX_STACK},
    {"w8", ID_WORD_8},         {"w16", ID_WORD_16},         {"w64", ID_WORD_64},
    {"w128", ID_WORD_128},     {"undo", ID_EDIT_UNDO},      {"assign", ID_UNIT_SETBUTTON},
    {"left", IDC_SCROLL_LEFT}, {"right", IDC_SCROLL_RIGHT}, {"enter", 3051},
};

// Menu commands the main window handles itself, as it does.
bool WindowCommand(const std::string& name) {
    if (name == "copy") {
        GetWindow().setClipboardText(CopyTopText());
    } else if (name == "primitive") {
        commitEntry();
        refreshLabels();
        MakePrimitive();
        refreshDisplay();
    } else {
        return false;
    }
    return true;
}

// keys TOKEN...: [label] clicks the button showing that label (it must be
// enabled), #id runs a command id, @name a named command, anything else is
// typed, one character at a time (\xNN escapes, \n for Enter).
KIV_VERB("keys") {
    for (const std::string& t : Words(args)) {
        if (t.size() > 2 && t.front() == '[' && t.back() == ']') {
            const std::string label = Unescaped(t.substr(1, t.size() - 2));
            int id = IDC_BUTTON_FIRST;
            while (id <= IDC_BUTTON_LAST && currentLabel(id).text != label) ++id;
            if (id > IDC_BUTTON_LAST) return c.fail("no button shows '" + label + "'");
            if (!currentLabel(id).enabled) return c.fail("button '" + label + "' is disabled");
            RunKey(ScriptKey(id));
        } else if (t.size() > 1 && t[0] == '#') {
            RunKey(ScriptKey(IntArg(c, t.substr(1))));
        } else if (t.size() > 1 && t[0] == '@') {
            const std::string name = t.substr(1);
            if (WindowCommand(name)) continue;
            const auto it = kCommands.find(name);
            if (it == kCommands.end()) return c.fail("no command @" + name);
            RunKey(ScriptKey(it->second));
        } else {
            RunKey(ScriptKey(Unescaped(t)));
        }
    }
}

// paste TEXT: Paste of TEXT (\xNN escapes), as the window pastes its clipboard.
KIV_VERB("paste") {
    PasteText(Unescaped(args));
    refreshDisplay();
}

// answer yes|no|ok|cancel|closed ...: the next message boxes' answers.
KIV_VERB("answer") {
    static const std::vector<std::string> names = {"ok", "cancel", "yes", "no", "closed"};
    for (const std::string& w : Words(args)) {
        const auto it = std::find(names.begin(), names.end(), w);  // in Answer's order
        if (it == names.end()) return c.fail("no answer " + w);
        c.win().answers.push_back(Answer(it - names.begin()));
    }
}

// popup COMMAND: the next popup menu's choice (0 dismisses it).
KIV_VERB("popup") {
    c.win().popupAnswers.push_back(IntArg(c, args));
}

// ondialog LINE: the next dialog the core opens runs LINE (a verb) and
// closes; a dialog without a line closes at once.
KIV_VERB("ondialog") {
    c.dialogLines.push_back(args);
}

// ----------------------------------------------------------------- checks

// Checks of one text each, "NAME TEXT" (\xNN escapes).
const bool kShowsRegistered = [] {
    static const std::pair<std::string, std::string (*)(Case&)> shows[] = {
        // The entry field's plain text; the open entry line with its cursor.
        {"entry", [](Case& c) { return c.win().entryPlain(); }},
        {"line", [](Case&) { return isEntryOpen() ? Readable(State::entryText()) : "-"; }},
        // The stack list's rows, the empty ones above dropped.
        {"rows",
         [](Case& c) {
             std::vector<std::string> rows = c.win().stackRows;
             while (!rows.empty() && rows.front().empty()) rows.erase(rows.begin());
             return Join(rows);
         }},
        // Every level, deepest first, at the display mode and precision
        // without width limit or grouping.
        {"stack",
         [](Case&) {
             std::vector<std::string> levels;
             for (Value v; Peek(int(levels.size()), &v);)
                 levels.insert(levels.begin(),
                               Readable(FormatValueText(v, 0, State::floatPrecision(), nullptr)));
             return Join(levels);
         }},
        // Stack-list rows (empty ones too) and dialogs opened.
        {"view",
         [](Case& c) {
             return std::to_string(c.win().stackRows.size()) + " " +
                    std::to_string(c.win().dialogsRun.size());
         }},
        {"beeps", [](Case& c) { return std::to_string(c.win().beeps); }},
        {"refreshes", [](Case& c) { return std::to_string(c.refreshes); }},
        // Control texts written since the last "writes" (or the start).
        {"writes",
         [](Case& c) { return std::to_string(std::exchange(c.win().controlTextWrites, 0)); }},
        {"clip", [](Case& c) { return c.win().clipboard; }},
        // Esc as the main window takes it: it cancels a unit's wait for its
        // button, or else closes the window.
        {"esc", [](Case&) -> std::string { return cancelAssign() ? "cancels" : "closes"; }},
    };
    for (const auto& [name, show] : shows)
        RegisterVerb(name, [&name = name, show = show](Case& c, const std::string& args) {
            Expect(c, name, show(c), Unescaped(args));
        });
    return true;
}();

// real LEVEL VALUE: the real at that level to 16 significant digits, finer
// than the stack's display.
KIV_VERB("real") {
    const auto [level, want] = Head(args);
    Value v;
    char got[32] = "none";
    if (Peek(IntArg(c, level), &v) && v.kind() == 0)
        std::snprintf(got, sizeof got, "%.16g", v.real());
    Expect(c, "real at level " + level, got, want);
}

// msg ID [| TEXT1 [| TEXT2 [| TEXT3]]]: the next message not yet matched is
// coded message ID; without texts its "^1", "^2" and "^3" match anything.
KIV_VERB("msg") {
    const auto parts = Bars(args);
    const int id = IntArg(c, parts.at(0));
    const auto* m = c.nextMessage("message " + parts[0]);
    if (!m) return;
    const ComposedMessage want =
        parts.size() > 1
            ? ComposeCodedMessage(id, Unescaped(parts[1]).c_str(),
                                  parts.size() > 2 ? Unescaped(parts[2]).c_str() : nullptr,
                                  parts.size() > 3 ? Unescaped(parts[3]).c_str() : nullptr)
            : ComposeCodedMessage(id, "\x01", "\x01", "\x01");
    bool ok = m->caption == want.caption && m->style == want.style;
    // Wildcards: the pieces between \x01 must appear in order.
    size_t at = 0;
    std::istringstream pieces(want.text);
    for (std::string piece; ok && std::getline(pieces, piece, '\x01');) {
        const size_t found = m->text.find(piece, at);
        ok = found != std::string::npos && (at != 0 || found == 0 || piece.empty());
        at = found + piece.size();
    }
    if (ok && want.text.find('\x01') == std::string::npos) ok = m->text == want.text;
    if (!ok) c.fail("message " + Escaped(m->caption + ": " + m->text) + " is not " + parts[0]);
}

// label FIRST T1 T2 ...: the texts of consecutive controls from FIRST
// ("_" for an empty label); a button is expected enabled exactly when it
// has a text, "*" appended says the opposite (an empty slot that can be
// picked: "_*").
KIV_VERB("label") {
    auto w = Words(args);
    const int first = IntArg(c, w.at(0));
    std::vector<std::string> got;
    for (int id = first; id < first + int(w.size()) - 1; ++id) {
        const std::string& t = c.win().controlText[id];
        const bool odd = id >= IDC_BUTTON_FIRST && id <= IDC_BUTTON_LAST &&
                         c.win().controlEnabled[id] == t.empty();
        got.push_back((t.empty() ? "_" : t) + (odd ? "*" : ""));
    }
    w.erase(w.begin());
    Expect(c, "labels from " + std::to_string(first), Join(got, " "), Unescaped(Join(w, " ")));
}

// Checks of on/off maps: "shown ID 0|1 ...", in pairs.
void OnOff(Case& c, const char* what, std::map<int, bool>& map, const std::string& args) {
    const auto w = Words(args);
    for (size_t i = 0; i + 1 < w.size(); i += 2) {
        const int id = IntArg(c, w[i]);
        Expect(c, std::string(what) + " " + w[i], map.count(id) ? (map[id] ? "1" : "0") : "unset",
               w[i + 1]);
    }
}
KIV_VERB("shown") {
    OnOff(c, "shown", c.win().controlShown, args);
}
KIV_VERB("menu") {
    OnOff(c, "menu", c.win().menuEnabled, args);
}

// slot SLOT TEXT: the unit text of a user-button slot ("-" for empty).
KIV_VERB("slot") {
    const auto [slot, want] = Head(args);
    const Uid u = State::userButton(IntArg(c, slot));
    Expect(c, "slot " + slot, u == NULL_UID ? "-" : Readable(ExpressionText(u)), want);
}

}  // namespace

}  // namespace kiv::scenario
