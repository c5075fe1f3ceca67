// SPDX-License-Identifier: GPL-3.0-or-later
// Whole key presses through the dispatch, with the label refresh and the
// redraw of the entry field and the stack list: a mixed script of unit
// arithmetic on a 16-entry stack with 300 units defined. Reported per key
// press (the goal is under 50 microseconds).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_db.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "keypad/script.h"
#include "storage/state.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

void BM_KeyPressUnitArithmetic(benchmark::State& st) {
    BenchDb db;
    resetKeypadState();
    setDisplayGeometry(0, 280, 280, 5);
    const UnitTable u = MakeUnitTable();
    for (int i = 0; int(i) < 300 - 13; ++i)
        DefineUnit("unit" + std::to_string(i), 1.0 + i, {{u.m, 0, 1}});
    setSlot(0, ExpressionOf(u.m));  // 2036
    setSlot(1, ExpressionOf(u.s));  // 2037
    for (int i = 0; i < State::stackSize() - 1; ++i)
        Push(Value::Real(10.0 + i, ExpressionOf(i % 2 ? u.km : u.m)));
    refreshLabels();
    refreshDisplay();
    // Balanced: every value the script adds it takes away again.
    const std::vector<ScriptKey> script = {
        "2", 2036, "+", "2", 2036, "-", "3",  "*",  "3",  "/",
        "4", 2037, "/", "4", 2037, "*", 2041, 2043, 2000, 2000,
    };
    const double keys = double(script.size());
    for (auto _ : st) RunScript(script);
    st.counters["per_key"] = benchmark::Counter(
        keys, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    st.counters["messages"] = double(db.win.messages.size());
}
BENCHMARK(BM_KeyPressUnitArithmetic)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kiv
