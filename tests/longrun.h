// SPDX-License-Identifier: GPL-3.0-or-later
// The long run: a pseudo-random stream of user actions (fuzz/keystream.h)
// through the core, with the soundness checks every `checkEvery` steps and
// the leak and save-load checks every `leakEvery` steps. Used by the
// longrun program (a million presses) and by a short ctest.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/invariants.h"
#include "fuzz/keystream.h"
#include "support/test_db.h"

namespace kiv {

// The first fault ("step N: what" and its report), empty when none. The last
// step has every check.
inline std::string RunLongRun(long steps, uint64_t seed, int checkEvery, int leakEvery,
                              FILE* progress = nullptr) {
    TestDb db;
    keystream::Driver driver(db.win);
    driver.setUp();
    uint64_t x = seed ? seed : 0x9E3779B97F4A7C15ull;
    uint8_t buf[64];
    std::string failure;
    long step = 1;
    auto failed = [&](const char* what, const std::string& report) {
        if (!report.empty()) failure = "step " + std::to_string(step) + ": " + what + "\n" + report;
        return !report.empty();
    };
    for (; step <= steps && failure.empty(); ++step) {
        for (uint8_t& b : buf) {  // xorshift64*
            x ^= x >> 12;
            x ^= x << 25;
            x ^= x >> 27;
            b = uint8_t((x * 0x2545F4914F6CDD1Dull) >> 56);
        }
        keystream::Input in(buf, sizeof buf);
        driver.step(in);
        const bool last = step == steps;
        if ((last || step % checkEvery == 0) && failed("unsound", check::SoundnessReport())) break;
        if ((last || step % leakEvery == 0) && !failed("round trip", check::RoundTripReport()) &&
            !failed("leak", check::LeakReport()) && progress)
            std::fprintf(progress, "%ld steps, %d records\n", step, MainDb()->count());
    }
    return failure;
}

}  // namespace kiv
