// SPDX-License-Identifier: GPL-3.0-or-later
// Key presses through the core, as the main window sends them: dispatch,
// the operation, the label refresh and the redraw of the entry field and the
// stack list through a recording window. 300 units are defined and the
// stack is full (15 values with units plus the line being typed). Reported
// per key (counter per_key, seconds); the goal is under 20 microseconds.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_db.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "keypad/script.h"
#include "res/resource.h"
#include "storage/state.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

void FullStack(const UnitTable& u) {
    resetKeypadState();
    setDisplayGeometry(0, 280, 280, 5);
    for (int i = 0; i < 300 - 13; ++i)
        DefineUnit("unit" + std::to_string(i), 1.0 + i, {{u.m, 0, 1}}, i % 7);
    setSlot(0, ExpressionOf(u.m));   // 2036
    setSlot(1, ExpressionOf(u.s));   // 2037
    setSlot(2, ExpressionOf(u.km));  // 2038
    for (int i = 0; i < State::stackSize() - 1; ++i)
        Push(Value::Real(10.0 + i, ExpressionOf(i % 2 ? u.km : u.m)));
}

void RunKeys(benchmark::State& st, const std::vector<ScriptKey>& script, const BenchDb& db) {
    refreshLabels();
    refreshDisplay();
    const int depth = Depth();
    for (auto _ : st) RunScript(script);
    st.counters["per_key"] =
        benchmark::Counter(double(script.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
    // A script that fails shows messages; the figure would then time errors.
    if (!db.win.messages.empty()) st.SkipWithError(db.win.messages.front().text.c_str());
    // An unbalanced script would time a stack that fills or empties.
    if (Depth() != depth) st.SkipWithError("the script changed the stack depth");
}

// Unit arithmetic with mixed units (m and km added, m times s, division by
// a unit), digits, Undo and the shift and scroll keys.
void BM_CoreKeyMixedUnits(benchmark::State& st) {
    BenchDb db;
    const UnitTable u = MakeUnitTable();
    FullStack(u);
    // Balanced: every value the script adds it takes away again.
    const std::vector<ScriptKey> script = {
        "2",   2036, "+", "2",  2038, "-",  "3",  "*",  "3", "/",  "4",  2037, "/",
        "4",   2037, "*", 2041, 2043, 2000, 2000, "1",  ".", "5",  2038, 2006, "-",
        57643, "+",  "1", "2",  2036, "-",  2003, 2003, "7", 2036, "+",
    };
    RunKeys(st, script, db);
}
BENCHMARK(BM_CoreKeyMixedUnits)->Unit(benchmark::kMicrosecond);

// Integer mode, 64-bit signed words in hex: typed digits (a-f among them),
// the four operations, sign change, Undo, on a full stack of integers.
void BM_CoreKeyInteger(benchmark::State& st) {
    BenchDb db;
    const UnitTable u = MakeUnitTable();
    FullStack(u);
    // Emptied first: switching with values on the stack asks whether to
    // change them, and the figure would time that question.
    while (Depth() > 0) Drop();
    RunScript({ID_RADIX_HEX, ID_WORD_64});
    State::setSigned(1);
    for (int i = 0; i < State::stackSize() - 1; ++i) RunScript({"1f" + std::to_string(i), 2006});
    const std::vector<ScriptKey> script = {
        "7",  "f", "3", "+", "a",   "9", "*", "c0", "/", "1", "2", "-",  2003,
        2003, "b", "e", "+", 57643, "d", "-", "5",  "*", "5", "/", 2041, 2043,
    };
    RunKeys(st, script, db);
}
BENCHMARK(BM_CoreKeyInteger)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kiv
