// The long run: a pseudo-random stream of user actions (fuzz/keystream.h)
// through the core, with the soundness checks every `checkEvery` steps and
// the leak and save-load checks every `leakEvery` steps. Used by the
// longrun program (a million presses) and by a short ctest.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/invariants.h"
#include "fuzz/keystream.h"
#include "support/test_db.h"

namespace kiv {

struct LongRunResult {
    long steps = 0;
    int recordsMax = 0;   // main database records at the most
    std::string failure;  // the first fault, empty when none
};

inline LongRunResult RunLongRun(long steps, uint64_t seed, int checkEvery, int leakEvery,
                                FILE* progress = nullptr) {
    LongRunResult r;
    TestDb db;
    keystream::Driver driver(db.win);
    driver.setUp();
    r.recordsMax = MainDb()->count();
    uint64_t x = seed ? seed : 0x9E3779B97F4A7C15ull;
    uint8_t buf[64];
    auto failed = [&](const char* what, const std::string& report) {
        if (!report.empty())
            r.failure = "step " + std::to_string(r.steps) + ": " + what + "\n" + report;
        return !report.empty();
    };
    for (r.steps = 1; r.steps <= steps; ++r.steps) {
        for (uint8_t& b : buf) {  // xorshift64*
            x ^= x >> 12;
            x ^= x << 25;
            x ^= x >> 27;
            b = uint8_t((x * 0x2545F4914F6CDD1Dull) >> 56);
        }
        keystream::Input in(buf, sizeof buf);
        driver.step(in);
        r.recordsMax = std::max(r.recordsMax, MainDb()->count());
        if (r.steps % checkEvery == 0 && failed("unsound", check::SoundnessReport())) return r;
        if (r.steps % leakEvery == 0) {
            if (failed("round trip", check::RoundTripReport()) ||
                failed("leak", check::LeakReport()))
                return r;
            if (progress)
                std::fprintf(progress, "%ld steps, %d records (max %d)\n", r.steps,
                             MainDb()->count(), r.recordsMax);
        }
    }
    --r.steps;
    if (!failed("at the end", check::SoundnessReport() + check::RoundTripReport()))
        failed("at the end", check::LeakReport());
    return r;
}

}  // namespace kiv
