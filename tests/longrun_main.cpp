// SPDX-License-Identifier: GPL-3.0-or-later
// A million random user actions through the core with every invariant of
// fuzz/invariants.h checked along the way; prints the record count as it goes.
//   longrun [STEPS [SEED]]
#include <cstdio>
#include <cstdlib>

#include "longrun.h"

int main(int argc, char** argv) {
    const long steps = argc > 1 ? std::atol(argv[1]) : 1000000;
    const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 0) : 1;
    const std::string failure = kiv::RunLongRun(steps, seed, 100, 50000, stdout);
    std::fputs(failure.empty() ? "ok\n" : ("FAILED at " + failure).c_str(), stdout);
    return !failure.empty();
}
