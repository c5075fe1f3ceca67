// SPDX-License-Identifier: GPL-3.0-or-later
// A short version of the long run (20,000 random user actions) with every
// invariant checked often, and the checks themselves against planted faults.
#include <gtest/gtest.h>

#include "longrun.h"
#include "support/ownership.h"

namespace kiv {
namespace {

TEST(Reliability, TwentyThousandRandomActionsKeepEveryInvariant) {
    for (uint64_t seed : {1u, 7u})
        EXPECT_EQ(RunLongRun(10000, seed, 10, 2500), "") << "seed " << seed;
}

// The checks themselves must see faults: a leaked expression, a second
// owner and a field out of range are each reported. That they stay quiet on
// a sound database the long run shows.
TEST(Reliability, ChecksReportPlantedFaults) {
    TestDb db;
    keystream::Driver driver(db.win);
    driver.setUp();
    const Uid e = State::userButton(0);
    State::setUserButton(9, e);
    EXPECT_NE(check::SoundnessReport().find("shared"), std::string::npos);
    State::setUserButton(9, NULL_UID);
    State::setRadix(40);
    EXPECT_NE(check::StateRangeReport().find("radix 40"), std::string::npos);
    State::setRadix(0);
    const Uid leaked = NewExpression();
    EXPECT_NE(check::LeakReport(), "");
    DeleteExpression(leaked);
    ExpectOwnershipSound();  // every planted fault undone
}

}  // namespace
}  // namespace kiv
