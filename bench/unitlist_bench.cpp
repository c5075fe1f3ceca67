// SPDX-License-Identifier: GPL-3.0-or-later
// Importing each shipped unit list into a new main database (what the first
// start does), and exporting the database such an import leaves.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/core/unitlist.h"
#include "bench_db.h"
#include "storage/maindb.h"
#include "units/unitrec.h"

namespace kiv {
namespace {

std::string ShippedText(const char* name) {
    std::ifstream f(ShippedUnitListFolder() + "/" + name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void BM_ImportShippedList(benchmark::State& state, const char* name) {
    const std::string text = ShippedText(name);
    if (text.empty()) {
        state.SkipWithError("shipped list not found");
        return;
    }
    int units = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<BenchDb>();
        state.ResumeTiming();
        const int stoppedAt = ReadUnitList(text, name);
        benchmark::DoNotOptimize(stoppedAt);
        state.PauseTiming();
        units = CountRecords(255).unitsTotal;
        if (stoppedAt != 0) state.SkipWithError("the list did not import");
        db.reset();
        state.ResumeTiming();
    }
    state.counters["units"] = units;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK_CAPTURE(BM_ImportShippedList, US, "units-US.txt")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportShippedList, UK, "units-UK.txt")->Unit(benchmark::kMillisecond);

void BM_ExportAfterImport(benchmark::State& state) {
    BenchDb db;
    if (ReadUnitList(ShippedText("units-US.txt"), "units-US.txt") != 0) {
        state.SkipWithError("the list did not import");
        return;
    }
    for (auto _ : state) {
        const std::string text = UnitListText();
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_ExportAfterImport)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kiv
