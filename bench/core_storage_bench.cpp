// SPDX-License-Identifier: GPL-3.0-or-later
// The database at 1000 records (state record, units with their definition
// expressions, a full stack of values with units): the file image built
// and parsed in memory, the file saved (atomically, with its fsyncs) and
// loaded from the data folder, and the core part of start-up on that file
// (open, locate the state record, label the keypad, draw the stack and
// entry line). The goal for load and save is under 2 ms each.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_db.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "storage/dbfile.h"
#include "storage/holders.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

constexpr uint32_t kType = FourCC("Data");
constexpr uint32_t kCreator = FourCC("Kivc");

// The main database filled to exactly `records` records.
void Fill(int records) {
    const UnitTable u = MakeUnitTable();
    for (int i = 0; i < State::stackSize() - 1; ++i)
        Push(Value::Real(3.0 + i, ExpressionOf(i % 2 ? u.km : u.J)));
    for (int i = 0; MainDb()->count() < records - 1; ++i)
        DefineUnit("len" + std::to_string(i), 1.5 + i, {{u.m, 0, 1}, {u.s, 0, int8_t(-1 - i % 2)}},
                   i % 9);
    if (MainDb()->count() < records) DefineUnit("last", 1, {});
}

// A data folder holding the 1000-record file.
struct Folder {
    TempDataHome home;
    std::vector<uint8_t> image;
    Folder() {
        {
            BenchDb db;
            Fill(1000);
            image = SerializeDatabase(*MainDb());
        }
        GetDataFolder();  // creates <home>/kiv
        WriteBytes(home.path("kivDB_pdb"), image);
    }
};

void CheckCount(benchmark::State& st, const Database& db) {
    if (db.count() != 1000) st.SkipWithError("the database does not hold 1000 records");
    st.counters["bytes"] = double(SerializeDatabase(db).size());
}

void BM_DbSerialize1000(benchmark::State& st) {
    BenchDb db;
    Fill(1000);
    for (auto _ : st) benchmark::DoNotOptimize(SerializeDatabase(*MainDb()));
    CheckCount(st, *MainDb());
}
BENCHMARK(BM_DbSerialize1000)->Unit(benchmark::kMicrosecond);

void BM_DbParse1000(benchmark::State& st) {
    Folder f;
    Database out;
    for (auto _ : st) {
        Database db;
        ParseDatabase(f.image.data(), f.image.size(), kType, kCreator, &db);
        benchmark::DoNotOptimize(db);
    }
    ParseDatabase(f.image.data(), f.image.size(), kType, kCreator, &out);
    CheckCount(st, out);
}
BENCHMARK(BM_DbParse1000)->Unit(benchmark::kMicrosecond);

// What shut-down does with the database: build the image and write it
// through a temporary file, fsync, rename and fsync of the folder. With
// `syncFile` false the file's fsync is answered at once (the folder's
// stays): nearer the program's own part, apart from the device's flush.
void SaveBench(benchmark::State& st, bool syncFile) {
    Folder f;
    BenchDb db;
    Fill(1000);
    MainDb()->saveOnClose = true;
    FileOps ops = DefaultFileOps();
    if (!syncFile) ops.sync = [](int) { return true; };
    SetFileOps(ops);
    for (auto _ : st) {
        if (!SaveDatabase(*MainDb(), f.home.folder())) {
            st.SkipWithError("save failed");
            break;
        }
    }
    SetFileOps(DefaultFileOps());
    CheckCount(st, *MainDb());
}

void BM_DbSave1000(benchmark::State& st) {
    SaveBench(st, true);
}
BENCHMARK(BM_DbSave1000)->Unit(benchmark::kMicrosecond);

void BM_DbSave1000NoSync(benchmark::State& st) {
    SaveBench(st, false);
}
BENCHMARK(BM_DbSave1000NoSync)->Unit(benchmark::kMicrosecond);

// What start-up does to get the database: enumerate, read, validate, parse.
void BM_DbLoad1000(benchmark::State& st) {
    Folder f;
    std::unique_ptr<Database> last;
    for (auto _ : st) {
        OpenResult r = OpenByTypeAndCreator(f.home.folder(), kType, kCreator);
        if (!r.db) {
            st.SkipWithError("load failed");
            break;
        }
        last = std::move(r.db);
    }
    if (last) CheckCount(st, *last);
}
BENCHMARK(BM_DbLoad1000)->Unit(benchmark::kMicrosecond);

// The core's start-up: storage start-up on the file, the state record
// located, every label written and the stack list and entry line drawn.
void BM_StartupCore1000(benchmark::State& st) {
    Folder f;
    FakeWindow win;
    for (auto _ : st) {
        win.controlText.clear();
        if (!StorageStartup() || !LocateStateRecord()) {
            st.SkipWithError("start-up failed");
            break;
        }
        resetKeypadState();
        setDisplayGeometry(0, 280, 280, 5);
        refreshLabels();
        refreshDisplay();
        st.PauseTiming();
        DeleteProcessWideUnits();
        ReleaseStateRecord();
        TakeMainDb();
        st.ResumeTiming();
    }
    // Every label written, and the 14 values below the top listed.
    if (win.controlText.size() < 46 || win.stackRows.size() != 14)
        st.SkipWithError("the window was not drawn");
}
BENCHMARK(BM_StartupCore1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kiv
