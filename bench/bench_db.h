// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory database every core benchmark runs on, and the database
// the GUI benchmarks start from: the test unit table plus enough defined
// units to make 300, and the stack that `fillStack` pushes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {

// A test database with remembered reductions replayed, as the program runs
// them (the tests check every replay against a full reduction instead).
struct BenchDb : TestDb {
    BenchDb() { SetReductionMemo(MemoMode::On); }
};

// The file image of that database. Builds it in a scratch in-memory
// database, so call it where no other main database is open.
inline std::vector<uint8_t> Database300Units(
    const std::function<void(const UnitTable&)>& fillStack) {
    BenchDb db;
    const UnitTable u = MakeUnitTable();
    for (int i = 0; i < 300 - 13; ++i)
        DefineUnit("unit" + std::to_string(i), 1.5 + i, {{u.m, 0, 1}, {u.s, 0, -1}}, i % 9);
    fillStack(u);
    return SerializeDatabase(*MainDb());
}

}  // namespace kiv
