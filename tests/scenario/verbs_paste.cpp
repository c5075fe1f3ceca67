// Verbs of the clipboard, tooltip, mode-switch and assign-flow cases: the
// locale's separators, a unit chosen in the Units dialog, a memory
// register, Esc, a button's tooltip.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/core/calctext.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "scenario/scenario.h"
#include "storage/state.h"
#include "units/algebra.h"

namespace kiv::scenario {
namespace {

// use NAME: what the Units dialog's "Use" leaves for the main window: the
// unit named NAME.
KIV_VERB("use") {
    const Uid unit = LookUpUnitExpression(args);
    if (unit == NULL_UID) return c.fail("no unit " + args);
    DeleteExpression(chosenUnit);
    chosenUnit = unit;
}

// memory I NUMBER: memory register I holds the real NUMBER (no unit).
KIV_VERB("memory") {
    const auto w = Words(args);
    if (w.size() != 2) return c.fail("memory wants a register and a number");
    DeleteExpression(OwnedUnit(State::memory(IntArg(c, w[0]))));
    State::setMemory(IntArg(c, w[0]), Value::Real(std::strtod(w[1].c_str(), nullptr)));
}

// esc cancels|closes: Esc as the main window takes it: it cancels a unit's
// wait for its button, or else closes the window.
KIV_VERB("esc") {
    if (args != "cancels" && args != "closes") return c.fail("esc wants cancels or closes");
    const bool cancelled = cancelAssign();
    if (cancelled != (args == "cancels"))
        c.fail(std::string("Esc ") + (cancelled ? "cancelled" : "would close the window"));
}

// tooltip ID TEXT: the tooltip the button shows now.
KIV_VERB("tooltip") {
    const size_t sp = args.find(' ');
    const int id = IntArg(c, args.substr(0, sp));
    const std::string want = sp == std::string::npos ? "" : Unescaped(args.substr(sp + 1));
    const std::string got = buttonTooltip(id);
    if (got != want) c.fail("tooltip of " + std::to_string(id) + " is '" + got + "'");
}

}  // namespace
}  // namespace kiv::scenario
