// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the whole core through the user's actions (fuzz/keystream.h). After
// every step the unit expressions must be owned exactly once and every state
// field must be in range; at the end of the input, emptying every holder
// must leave only the unit definitions' expressions, and a save and load
// must reproduce the database byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/invariants.h"
#include "fuzz/keystream.h"
#include "support/test_db.h"

namespace {

[[noreturn]] void Fail(int step, const char* what, const std::string& report) {
    std::fprintf(stderr, "keystream_fuzz: step %d: %s\n%s", step, what, report.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kiv;
    if (size > 4096) return 0;  // longer streams add time, not new paths
    TestDb db;
    keystream::Driver driver(db.win);
    driver.setUp();
    keystream::Input in(data, size);
    int step = 0;
    while (in.more()) {
        driver.step(in);
        ++step;
        const std::string report = check::SoundnessReport();
        if (!report.empty()) Fail(step, "unsound", report);
    }
    std::string report = check::RoundTripReport();
    if (!report.empty()) Fail(step, "round trip", report);
    report = check::LeakReport();
    if (!report.empty()) Fail(step, "leak", report);
    report = check::SoundnessReport();
    if (!report.empty()) Fail(step, "unsound after clearing", report);
    return 0;
}
