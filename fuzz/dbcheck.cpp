// Judges a database file with the storage layer: loads it as the main
// database, applies start-up's repair and checks the result. Prints one line
// "ok <records> <stack top> <first stack value>" (the kill test compares the
// state it finds with the states it drove the program through), or
// "damaged: <why>" / "unsound: <report>" and exits 1.
//
// Usage: dbcheck FILE
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/invariants.h"

int main(int argc, char** argv) {
    using namespace kiv;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
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
