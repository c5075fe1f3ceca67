// SPDX-License-Identifier: GPL-3.0-or-later
// kiv-convert: the calculator's unit conversions from a terminal or a
// script, with the user's own units (read from the window's database file,
// never written) or those of a unit list file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kiv::cli {

// Exit status by class of error (the manual page lists them). A batch ends
// with the status of its first line that failed.
enum ExitStatus : int {
    kExitOk = 0,
    kExitOther = 1,           // a result that cannot be formed (exponent, size)
    kExitUsage = 2,           // bad options or arguments
    kExitUnknownUnit = 3,     // a name that is no unit
    kExitDifferentKinds = 4,  // source and target of different kinds
    kExitSyntax = 5,          // no number and unit, or a malformed unit text
    kExitBelowZero = 6,       // a temperature reading below absolute zero
    kExitNoUnits = 7,         // the database or unit list cannot be read
};

// The class of error a coded message stands for.
ExitStatus ExitStatusOf(int messageId);

// Runs the command: `args` without the program name; standard input is
// read only for a batch (`-`, or no arguments and `in` not a terminal).
// Output is UTF-8. Installs its own main database and window for the run
// and puts back those it found.
int Run(const std::vector<std::string>& args, std::istream& in, bool inIsTerminal,
        std::ostream& out, std::ostream& err);

}  // namespace kiv::cli
