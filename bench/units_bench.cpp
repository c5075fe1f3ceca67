// SPDX-License-Identifier: GPL-3.0-or-later
// Convert, simplify and reduce on a database of 300 defined units: the full
// reduction (nothing remembered, the UID cache reset before every
// operation) and a repeat of the same operation (the reduction remembered,
// the UID cache warm).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_db.h"
#include "storage/maindb.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

// 4 base units and 296 units defined in chains over them and over each
// other (depth up to 4), the named units of the fixture among them.
struct Bench {
    BenchDb db;
    UnitTable u;
    Uid speed = NULL_UID;    // a deep unit per a deep unit
    Uid target = NULL_UID;   // m/s
    Uid product = NULL_UID;  // J x s^-1 x units of other names
    Bench() {
        u = MakeUnitTable();
        std::vector<Uid> all = {u.m,   u.s, u.kg, u.A, u.km, u.ft, u.in,
                                u.min, u.h, u.J,  u.W, u.N,  u.ha};
        for (int i = 0; int(all.size()) < 300; ++i) {
            const Uid a = all[size_t(i * 7) % all.size()];
            const Uid b = all[size_t(i * 13 + 5) % all.size()];
            const int8_t x = (i % 3 == 0) ? -1 : 1;
            const Uid def = MakeExpr({{a, 0, 1}, {b, 0, x}});
            // Appended rather than "u" + ...: g++ 12 at -O3 warns falsely
            // (-Wrestrict) on that concatenation here.
            std::string name = std::to_string(i);
            name.insert(name.begin(), 'u');
            all.push_back(CreateUnit(name, 1.0 + i * 0.01, def, i % 16));
        }
        speed = MakeExpr({{all[250], 3, 1}, {all[299], 0, -1}, {u.h, 0, -1}});
        target = MakeExpr({{all[250], 0, 1}, {all[299], 0, -1}, {u.s, 0, -1}});
        product = MakeExpr({{u.J, 0, 1}, {u.s, 0, -1}, {u.N, 0, 1}, {u.m, 0, -1}});
    }
};

Bench& Fixture() {
    static Bench b;
    return b;
}

void Run(benchmark::State& state, bool full, int op) {
    Bench& b = Fixture();
    SetReductionMemo(full ? MemoMode::Off : MemoMode::On);
    for (auto _ : state) {
        if (full) ResetUidCache();
        double f = 1.0;
        Uid r = NULL_UID;
        switch (op) {
            case 0:
                r = Convert(CopyExpression(b.speed), b.target, &f);
                break;
            case 1:
                r = Simplify(CopyExpression(b.product), &f);
                break;
            case 2:
                r = ReduceToBaseUnits(CopyExpression(b.speed), &f);
                break;
        }
        benchmark::DoNotOptimize(f);
        DeleteExpression(r);
    }
    SetReductionMemo(MemoMode::On);
    state.SetItemsProcessed(state.iterations());
}

void BM_ConvertFull(benchmark::State& s) {
    Run(s, true, 0);
}
void BM_ConvertRepeat(benchmark::State& s) {
    Run(s, false, 0);
}
void BM_SimplifyFull(benchmark::State& s) {
    Run(s, true, 1);
}
void BM_SimplifyRepeat(benchmark::State& s) {
    Run(s, false, 1);
}
void BM_ReduceFull(benchmark::State& s) {
    Run(s, true, 2);
}
void BM_ReduceRepeat(benchmark::State& s) {
    Run(s, false, 2);
}
BENCHMARK(BM_ConvertFull);
BENCHMARK(BM_ConvertRepeat);
BENCHMARK(BM_SimplifyFull);
BENCHMARK(BM_SimplifyRepeat);
BENCHMARK(BM_ReduceFull);
BENCHMARK(BM_ReduceRepeat);

}  // namespace
}  // namespace kiv
