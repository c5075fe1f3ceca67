// Convert, simplify and reduce on a database of 300 defined units, with a
// cold UID cache (reset before every operation) and a warm one.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "storage/maindb.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

// 4 base units and 296 units defined in chains over them and over each
// other (depth up to 4), the named units of the fixture among them.
struct Bench {
    TestDb db;
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
            all.push_back(CreateUnit("u" + std::to_string(i), 1.0 + i * 0.01, def, i % 16));
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

void Run(benchmark::State& state, bool cold, int op) {
    Bench& b = Fixture();
    for (auto _ : state) {
        if (cold) ResetUidCache();
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
    state.SetItemsProcessed(state.iterations());
}

void BM_ConvertCold(benchmark::State& s) {
    Run(s, true, 0);
}
void BM_ConvertWarm(benchmark::State& s) {
    Run(s, false, 0);
}
void BM_SimplifyCold(benchmark::State& s) {
    Run(s, true, 1);
}
void BM_SimplifyWarm(benchmark::State& s) {
    Run(s, false, 1);
}
void BM_ReduceCold(benchmark::State& s) {
    Run(s, true, 2);
}
void BM_ReduceWarm(benchmark::State& s) {
    Run(s, false, 2);
}
BENCHMARK(BM_ConvertCold);
BENCHMARK(BM_ConvertWarm);
BENCHMARK(BM_SimplifyCold);
BENCHMARK(BM_SimplifyWarm);
BENCHMARK(BM_ReduceCold);
BENCHMARK(BM_ReduceWarm);

}  // namespace
}  // namespace kiv
