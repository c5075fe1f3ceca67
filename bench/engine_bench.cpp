// SPDX-License-Identifier: GPL-3.0-or-later
// A floating multiply with units on the stack, per operation: the two
// arguments are pushed (their expressions duplicated), multiplied in the
// operation frame with Undo's copies, simplified, and the result dropped.
#include <benchmark/benchmark.h>

#include "bench_db.h"
#include "engine/arith.h"
#include "engine/stack.h"
#include "storage/state.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

void RunMultiply(benchmark::State& st, bool simplify, bool namedUnits) {
    BenchDb db;
    const UnitTable u = MakeUnitTable();
    State::setSimplifyUnits(simplify ? 1 : 0);
    // J x s^-1 (simplify keeps J s^-1) or km x m (merges into km^2).
    const Uid y = namedUnits ? MakeExpr({{u.J, 0, 1}}) : MakeExpr({{u.m, 3, 1}});
    const Uid x = namedUnits ? MakeExpr({{u.s, 0, -1}}) : MakeExpr({{u.m, 0, 1}});
    for (auto _ : st) {
        Push(Value::Real(2.0, DuplicateExpression(y)));
        Push(Value::Real(3.0, DuplicateExpression(x)));
        Multiply();
        Value r;
        Peek(0, &r);
        benchmark::DoNotOptimize(r);
        Drop();
    }
    ForgetSavedArguments();
    DeleteExpression(y);
    DeleteExpression(x);
}

void BM_MultiplySimplifyNamed(benchmark::State& st) {
    RunMultiply(st, true, true);
}
void BM_MultiplySimplifyPrefixed(benchmark::State& st) {
    RunMultiply(st, true, false);
}
void BM_MultiplyNoSimplify(benchmark::State& st) {
    RunMultiply(st, false, true);
}
BENCHMARK(BM_MultiplySimplifyNamed);
BENCHMARK(BM_MultiplySimplifyPrefixed);
BENCHMARK(BM_MultiplyNoSimplify);

}  // namespace
}  // namespace kiv
