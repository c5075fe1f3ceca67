// SPDX-License-Identifier: GPL-3.0-or-later
// Judges a database file with the storage layer: loads it as the main
// database, applies start-up's repair and checks the result. Prints one line
// "ok <records> <stack top> <first stack value>" (the kill test compares the
// state it finds with the states it drove the program through), or
// "damaged: <why>" / "unsound: <report>" and exits 1.
//
// Usage: dbcheck FILE
//        dbcheck --make FILE [UNITS [PAD]]
// The second form writes a sound main database with a fresh state record and
// UNITS base units whose records carry PAD bytes after the name (a large
// file, so that a save takes long enough to be interrupted).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/invariants.h"

namespace {

int Make(const std::string& path, int units, size_t pad) {
    using namespace kiv;
    SetMainDb(
        std::make_unique<Database>(Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"))));
    if (!CreateStateRecord()) return 1;
    for (int i = 0; i < units; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "u%04d", i);
        const int index = NewAppRecord(21 + 5 + pad, 0);
        if (index < 0) return 1;
        MainDb()->writeU8(index, 0, 0x80);
        MainDb()->writeU32(index, 16, NULL_UID);
        MainDb()->writeAt(index, 20, name, 6);
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return WriteFileAtomically(folder, file, SerializeDatabase(*MainDb())) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kiv;
    if (argc >= 3 && std::string(argv[1]) == "--make")
        return Make(argv[2], argc > 3 ? std::atoi(argv[3]) : 0,
                    argc > 4 ? size_t(std::atol(argv[4])) : 0);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE | --make FILE [UNITS [PAD]]\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(argv[1], &bytes)) {
        std::printf("damaged: cannot read %s\n", argv[1]);
        return 1;
    }
    auto db = std::make_unique<Database>();
    std::string why;
    if (ParseDatabase(bytes.data(), bytes.size(), FourCC("Data"), FourCC("Kivc"), db.get(), &why) !=
        LoadStatus::Ok) {
        std::printf("damaged: %s\n", why.empty() ? "not a main database" : why.c_str());
        return 1;
    }
    const std::vector<uint8_t> before = SerializeDatabase(*db);
    RepairMainDatabase(*db);
    const bool repaired = SerializeDatabase(*db) != before;
    SetMainDb(std::move(db));
    if (!LocateStateRecord()) {
        std::printf("damaged: no state record\n");
        return 1;
    }
    const std::string report = check::SoundnessReport();
    if (!report.empty() || repaired) {
        std::printf("unsound: %s%s", repaired ? "needed repair\n" : "", report.c_str());
        return 1;
    }
    const int top = State::stackTop();
    std::printf("ok %d %d %.17g\n", MainDb()->count(), top,
                top >= 0 ? State::stackEntry(top).real() : 0.0);
    return 0;
}
