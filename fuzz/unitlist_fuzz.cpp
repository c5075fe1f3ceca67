// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the unit list reader with arbitrary text on a fresh database. The
// database must stay sound (every expression owned once, every state field
// in range, nothing leaked) and save and load byte for byte; and what the
// reader built must survive its own export: reading the exported text into
// another fresh database reads every line and leaves a sound database. The
// text read again over a value declines or reads soundly.
// (The export is not always read back to the same units: a unit named like
// a prefix and a unit, "km", changes what "1 km" in another line means, and
// names whose bytes form UTF-8 make the whole text read as UTF-8.)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/core/unitlist.h"
#include "engine/stack.h"
#include "fuzz/invariants.h"
#include "storage/dbfile.h"
#include "support/test_db.h"
#include "units/algebra.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& report) {
    std::fprintf(stderr, "unitlist_fuzz: %s\n%s\n", what, report.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kiv;
    if (size > 16384) return 0;
    std::string exported, tooLong;
    {
        TestDb db;
        ReadUnitList(std::string(reinterpret_cast<const char*>(data), size), "fuzz.txt");
        std::string report = check::SoundnessReport() + check::RoundTripReport();
        if (!report.empty()) Fail("after reading", report);
        exported = UnitListText(&tooLong);
        // Read again with a value on the first unit there is: the question
        // of a changed kind, declined, must leave every byte as it was, and
        // a reading that goes on must leave the database sound.
        for (int i = 1; i < MainDb()->count(); ++i) {
            if (!IsUnitRecord(i)) continue;
            Push(Value::Real(2, ExpressionOf(MainDb()->uid(i))));
            db.win.answers.push_back(Answer::No);
            const std::vector<uint8_t> before = SerializeDatabase(*MainDb());
            // The lines in reverse order, so that definitions meet other
            // definitions of the same names.
            std::string text;
            const std::string input(reinterpret_cast<const char*>(data), size);
            for (size_t end = input.size(); end > 0;) {
                const size_t start = input.rfind('\n', end - 1);
                const size_t from = start == std::string::npos ? 0 : start + 1;
                text += input.substr(from, end - from) + "\n";
                end = start == std::string::npos ? 0 : start;
            }
            if (ReadUnitList(text, "fuzz.txt") == kImportDeclined &&
                SerializeDatabase(*MainDb()) != before)
                Fail("a declined reading changed the database", "");
            report = check::SoundnessReport();
            if (!report.empty()) Fail("after reading again", report);
            break;
        }
        report = check::LeakReport();
        if (!report.empty()) Fail("leak", report);
    }
    // A line too long to read back is refused by the export.
    if (!tooLong.empty() || TranscodeUtf8ToCp1252(exported) != exported) return 0;
    TestDb again;
    const int line = ReadUnitList(exported, "export.txt");
    if (line != 0)
        Fail("export does not read back", "line " + std::to_string(line) + "\n" + exported);
    const std::string report = check::SoundnessReport();
    if (!report.empty()) Fail("after reading the export", report);
    return 0;
}
