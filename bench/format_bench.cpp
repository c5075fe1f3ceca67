// SPDX-License-Identifier: GPL-3.0-or-later
// Formatting a full 128-entry stack for the stack list's width, as the list
// redraw does after every key: each entry after its "n) " level number, with
// the list font pair. Reported per value (items per second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "bench_db.h"
#include "engine/format.h"
#include "storage/state.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

constexpr int kEntries = 128;
constexpr int kListWidth = 240;  // pixels, the list box less its scroll bar

std::vector<Value> RealStack(Uid unit) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> exp10(-30, 30);
    std::vector<Value> v;
    for (int i = 0; i < kEntries; ++i)
        v.push_back(Value::Real(mant(rng) * std::pow(10.0, exp10(rng)), i % 2 ? unit : NULL_UID));
    return v;
}

std::vector<Value> IntStack() {
    std::mt19937_64 rng(9);
    std::vector<Value> v;
    for (int i = 0; i < kEntries; ++i) {
        uint8_t b[16] = {};
        const uint64_t x = rng();
        for (int k = 0; k < 8; ++k) b[k] = uint8_t(x >> (8 * k));
        v.push_back(Value::Int(b));
    }
    return v;
}

void FormatStack(benchmark::State& st, const std::vector<Value>& stack) {
    const FontPair& pair = ListFontPair();
    char line[200];
    for (auto _ : st) {
        for (int i = 0; i < kEntries; ++i) {
            const int n = std::snprintf(line, sizeof line, "%d) ", i + 1);
            const int room = kListWidth - MeasureText(line, n, pair);
            FormatValue(line + n, int(sizeof line) - n, stack[size_t(i)], room,
                        State::floatPrecision(), &pair);
            benchmark::DoNotOptimize(line);
        }
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * kEntries);
}

// Arg: display mode 0 Standard, 1 Fixed, 2 Scientific, 3 Engineering.
void BM_FormatRealStack(benchmark::State& st) {
    BenchDb db;
    CreateFonts();
    const UnitTable u = MakeUnitTable();
    const Uid unit = MakeExpr({{u.kg, 0, 1}, {u.m, 0, 2}, {u.s, 0, -2}});
    State::setDisplayMode(uint8_t(st.range(0)));
    State::setPrecision(10);
    FormatStack(st, RealStack(unit));
    DeleteExpression(unit);
}
BENCHMARK(BM_FormatRealStack)->DenseRange(0, 3);

// Arg: radix, on a signed 64-bit word with leading zeros.
void BM_FormatIntegerStack(benchmark::State& st) {
    BenchDb db;
    CreateFonts();
    State::setRadix(uint8_t(st.range(0)));
    State::setWordSize(64);
    State::setSigned(1);
    State::setLeadingZeros(1);
    FormatStack(st, IntStack());
}
BENCHMARK(BM_FormatIntegerStack)->Arg(2)->Arg(10)->Arg(16);

}  // namespace
}  // namespace kiv
