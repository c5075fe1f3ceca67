// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the database file loader and the repair that start-up applies to
// the main database. A file that loads must serialise back to exactly its
// own bytes; after the repair the database must be sound (every expression
// owned once, every reference resolving, every state field in range), a
// second repair must change nothing, and the calculator must be able to use
// it: label the keypad, draw the stack and entry line, name and reduce every
// unit, press a few keys and empty every holder without a leak.
//
// Built with libFuzzer under clang; with KIV_FUZZ_LINKMAIN it is a plain
// program that replays the files or folders named on its command line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/invariants.h"
#include "keypad/keypad.h"
#include "keypad/script.h"
#include "support/fake_window.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace {

void Fail(const char* what, const std::string& report) {
    std::fprintf(stderr, "dbfile_fuzz: %s\n%s", what, report.c_str());
    std::abort();
}

void UseDatabase() {
    using namespace kiv;
    if (!LocateStateRecord()) return;
    std::string report = check::SoundnessReport();
    if (!report.empty()) Fail("repaired database unsound", report);
    resetKeypadState();
    setDisplayGeometry(0, 280, 280, 5);
    refreshLabels();
    refreshDisplay();
    for (int i = 1; i < MainDb()->count(); ++i) {
        if (!IsUnitRecord(i)) continue;
        (void)ExpressionText(UnitDefinition(i));
        (void)DefinitionDepth(MainDb()->uid(i));
    }
    RunScript({"1", 2036, "2*", 2037, "+", 57643, 2044});
    report = check::SoundnessReport();
    if (!report.empty()) Fail("unsound after keys", report);
    report = check::LeakReport();
    if (!report.empty()) Fail("leak", report);
    report = check::RoundTripReport();
    if (!report.empty()) Fail("round trip", report);
    ReleaseStateRecord();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kiv;
    FakeWindow* win = &check::FuzzWindow();
    win->clearMessages();
    auto db = std::make_unique<Database>();
    if (ParseDatabase(data, size, FourCC("Data"), FourCC("Kivc"), db.get()) != LoadStatus::Ok)
        return 0;
    const std::vector<uint8_t> again = SerializeDatabase(*db);
    if (again.size() != size || (size && std::memcmp(again.data(), data, size) != 0)) std::abort();
    RepairMainDatabase(*db);
    const std::vector<uint8_t> repaired = SerializeDatabase(*db);
    RepairMainDatabase(*db);
    if (SerializeDatabase(*db) != repaired) Fail("second repair changed the database", "");
    SetMainDb(std::move(db));
    UseDatabase();
    DeleteProcessWideUnits();
    TakeMainDb();
    return 0;
}
