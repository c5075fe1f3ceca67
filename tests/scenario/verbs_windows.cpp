// The driver's verbs for the shell's own rules: the locale's separators, the
// clipboard's text pasted back, and the Define unit and Units dialogs run
// step by step.
#include <gtest/gtest.h>

#include <memory>

#include "app/core/calctext.h"
#include "app/core/definedlg.h"
#include "app/core/unitsdlg.h"
#include "keypad/dispatch.h"
#include "scenario/scenario.h"

namespace kiv::scenario {
namespace {

// The separators are process-wide: every case file starts from the default
// ones, whatever the file before it chose.
class SeparatorReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { SetSeparators('.', ','); }
};
const bool g_resetInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new SeparatorReset);
    return true;
}();

// A separator text of a case line: \xNN escapes, "-" for the empty text.
std::string LocaleWord(const std::string& w) {
    return w == "-" ? std::string() : Unescaped(w);
}

// locale DECIMAL GROUP: the locale's two texts (as the window converted
// them) become the separators, then a redraw.
KIV_VERB("locale") {
    const auto w = Words(args);
    if (w.size() != 2) return c.fail("locale wants a decimal and a group text");
    const auto [decimal, group] = SeparatorsFromLocale(LocaleWord(w[0]), LocaleWord(w[1]));
    SetSeparators(decimal, group);
    refreshDisplay();
}

// seps DECIMAL GROUP: checks the separators in use (\xNN escapes).
KIV_VERB("seps") {
    const auto w = Words(args);
    if (w.size() != 2) return c.fail("seps wants two characters");
    const std::string got =
        Escaped(std::string{DecimalSeparator()}) + " " + Escaped(std::string{GroupSeparator()});
    const std::string want = Escaped(Unescaped(w[0])) + " " + Escaped(Unescaped(w[1]));
    if (got != want) c.fail("separators are '" + got + "', expected '" + want + "'");
}

// repaste: Paste of what the clipboard holds now (a copied number goes back).
KIV_VERB("repaste") {
    if (!c.win().hasClipboard) return c.fail("the clipboard holds nothing");
    PasteText(c.win().clipboard);
    refreshDisplay();
}

// Runs "step | step | ..." of a dialog, each step through `one`.
template <class Step>
void Steps(Case& c, const std::string& args, Step one) {
    for (const std::string& step : Bars(args)) {
        const size_t sp = step.find(' ');
        one(step.substr(0, sp),
            sp == std::string::npos ? std::string() : Trim(step.substr(sp + 1)));
        if (c.failed) return;
    }
}

// definedlg STEP | STEP ...: opens Define unit for a new unit (X is taken
// from the stack) and runs the steps: "ok NAME" (\xNN escapes, so "\x20"
// is a blank), "cancel"; "shows TEXT" checks the definition text. A dialog
// left without ok or cancel ends as the window's close box ends it.
KIV_VERB("wdefinedlg") {
    editingIndex = 0;
    auto dlg = std::make_unique<CDefineUnitLogic>();
    Steps(c, args, [&](const std::string& verb, const std::string& rest) {
        if (verb == "ok") {
            if (!dlg->ok(Unescaped(rest), -1)) c.fail("OK kept the dialog open");
        } else if (verb == "refused") {
            if (dlg->ok(Unescaped(rest), -1)) c.fail("OK ended the dialog");
        } else if (verb == "cancel") {
            dlg->cancel();
        } else if (verb == "shows") {
            if (dlg->definitionText() != Unescaped(rest))
                c.fail("definition is '" + Escaped(dlg->definitionText()) + "', expected '" + rest +
                       "'");
        } else {
            c.fail("no Define unit step '" + verb + "'");
        }
    });
}

// trimmed FIELD | NAME: the name field's text as OK writes it back ("-":
// empty).
KIV_VERB("trimmed") {
    const auto parts = Bars(args);
    if (parts.size() != 2) return c.fail("trimmed wants a field and a name");
    const std::string got = TrimmedUnitName(Unescaped(parts[0]));
    if (got != (parts[1] == "-" ? std::string() : Unescaped(parts[1])))
        c.fail("trimmed to '" + Escaped(got) + "', expected '" + parts[1] + "'");
}

// unitsdlg [at MS |] STEP | ...: opens the Units dialog at that time of the
// window's clock (0 without "at"; a letter handed over by the main window is
// typed then) and runs the steps: "type LETTERS MS [STEP_MS]" types the
// letters from MS on, STEP_MS apart (0 without it); "selected NAME" checks
// the selected line's unit ("-": none); "use" puts it on the entry line.
KIV_VERB("wunitsdlg") {
    auto parts = Bars(args);
    int64_t openedAt = 0;
    if (!parts.empty() && parts[0].rfind("at ", 0) == 0) {
        openedAt = IntArg(c, Trim(parts[0].substr(3)));
        parts.erase(parts.begin());
    }
    CUnitsDlgLogic dlg(200, {}, openedAt);
    Steps(c, Join(parts), [&](const std::string& verb, const std::string& rest) {
        const auto w = Words(rest);
        if (verb == "type") {
            if (w.size() < 2) return c.fail("type wants letters and a time");
            const int64_t step = w.size() > 2 ? IntArg(c, w[2]) : 0;
            int64_t at = IntArg(c, w[1]);
            for (char letter : w[0]) {
                dlg.typeLetter(letter, at);
                at += step;
            }
        } else if (verb == "selected") {
            const int row = dlg.selection();
            std::string name = "-";
            if (row >= 0) {
                const std::string& text = dlg.lines()[size_t(row)].text;
                name = text.substr(0, text.find('\t'));
            }
            if (name != rest) c.fail("selected '" + name + "', expected '" + rest + "'");
        } else if (verb == "use") {
            if (!dlg.use()) c.fail("Use did not end the dialog");
        } else {
            c.fail("no Units step '" + verb + "'");
        }
    });
}

}  // namespace
}  // namespace kiv::scenario
