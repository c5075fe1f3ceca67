// The first run as a whole: a first start that ends without its shut-down
// (killed in the import dialog, power lost) leaves a database the next
// start can use; a file without a state record is set aside, reported and
// followed by a first start; the first start's import says how to import
// later when it is cancelled, and every import read to its end says what
// it brought.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "app/core/messages.h"
#include "keypad/dispatch.h"
#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "storage/unitlist.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "units/unitrec.h"

namespace kiv {
namespace {

constexpr uint32_t kData = FourCC("Data"), kKivc = FourCC("Kivc");

std::vector<uint8_t> EmptyDatabaseFile() {
    return SerializeDatabase(Database::MakeEmpty("kivDB", kKivc, kData));
}

std::vector<uint8_t> SoundDatabaseFile() {
    SetMainDb(std::make_unique<Database>(Database::MakeEmpty("kivDB", kKivc, kData)));
    CreateStateRecord();
    std::vector<uint8_t> bytes = SerializeDatabase(*MainDb());
    TakeMainDb();
    return bytes;
}

// What a process that ends without its shut-down leaves: the files only.
void EndWithoutShutdown() {
    ReleaseStateRecord();
    TakeMainDb();
    ResetDataFolderForTests();
}

std::vector<std::string> Shown(const FakeWindow& win) {
    std::vector<std::string> out;
    for (const auto& m : win.messages) out.push_back(m.caption + ": " + m.text);
    return out;
}

std::string Message(int id, const char* t1 = nullptr, const char* t2 = nullptr) {
    const ComposedMessage m = ComposeCodedMessage(id, t1, t2);
    return m.caption + ": " + m.text;
}

TEST(FirstRun, EveryStartAfterAnUnfinishedRunCanGoOn) {
    struct Row {
        const char* name;
        std::function<void(TempDataHome&)> before;  // the previous run's files
        std::vector<std::string> messages;          // shown by this start
        bool firstStart;
        std::vector<std::string> files;  // in the data folder after this start
    };
    const std::string damaged = Message(MSG_DB_ERROR, "5");
    const std::string welcome = Message(MSG_WELCOME);
    const Row rows[] = {
        {"a first start killed while its import dialog was open",
         [](TempDataHome&) {
             FakeWindow win;
             ASSERT_TRUE(StorageStartup());
             EndWithoutShutdown();
         },
         {},
         false,
         {"kivDB_pdb"}},
        {"the file of a first start killed before its state record was saved",
         [](TempDataHome& home) { WriteBytes(home.path("kivDB_pdb"), EmptyDatabaseFile()); },
         {damaged, welcome},
         true,
         {"kivDB_pdb", "kivDB_pdb.damaged"}},
        {"a database without records found first, a sound one after it",
         [](TempDataHome& home) {
             WriteBytes(home.path("a_pdb"), EmptyDatabaseFile());
             WriteBytes(home.path("kivDB_pdb"), SoundDatabaseFile());
         },
         {damaged},
         false,
         {"a_pdb.damaged", "kivDB_pdb"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDataHome home;
        GetDataFolder();
        row.before(home);
        ResetDataFolderForTests();
        FakeWindow win;
        ASSERT_TRUE(StorageStartup());
        EXPECT_EQ(FirstStart(), row.firstStart);
        EXPECT_TRUE(LocateStateRecord());
        EXPECT_EQ(Shown(win), row.messages);
        EXPECT_EQ(home.list(), row.files);
        // Whatever this run left is sound for the one after it, ended or not.
        EndWithoutShutdown();
        win.clearMessages();
        ASSERT_TRUE(StorageStartup());
        EXPECT_FALSE(FirstStart());
        EXPECT_TRUE(LocateStateRecord());
        EXPECT_EQ(Shown(win), std::vector<std::string>{});
    }
}

// The units and button lines a list holds, counted from its text.
std::pair<int, int> LinesOf(const std::string& name) {
    std::ifstream in(ShippedUnitListFolder() + "/" + name);
    int units = 0, buttons = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string first, slot, one, unit;
        if (!(words >> first) || first[0] == '#' || first == ".cat") continue;
        if (first != ".btn")
            ++units;
        else if (words >> slot >> one >> unit)
            ++buttons;
    }
    return {units, buttons};
}

TEST(FirstRun, ImportsSayWhatTheyBroughtAndTheFirstOneHowToComeBack) {
    struct Row {
        const char* name;
        bool firstStart;
        std::vector<std::string> choices;  // per import: a file, "" cancels
        std::function<std::vector<std::string>(TempDataHome&)> messages;
    };
    const auto [usUnits, usButtons] = LinesOf("units-US.txt");
    const auto [ukUnits, ukButtons] = LinesOf("units-UK.txt");
    const std::string later = Message(MSG_IMPORT_LATER);
    auto brought = [](int units, int buttons) {
        return Message(MSG_IMPORTED, std::to_string(units).c_str(),
                       std::to_string(buttons).c_str());
    };
    const Row rows[] = {
        {"first start, cancelled twice: told once",
         true,
         {"", ""},
         [&](TempDataHome&) { return std::vector<std::string>{later}; }},
        {"first start, the UK list",
         true,
         {"units-UK.txt"},
         [&](TempDataHome&) { return std::vector<std::string>{brought(ukUnits, ukButtons)}; }},
        {"first start, the US list after a cancel",
         true,
         {"", "units-US.txt"},
         [&](TempDataHome&) {
             return std::vector<std::string>{later, brought(usUnits, usButtons)};
         }},
        {"a later start, cancelled: nothing",
         false,
         {""},
         [](TempDataHome&) { return std::vector<std::string>{}; }},
        {"a list with a bad line: the error only",
         false,
         {"bad.txt"},
         [](TempDataHome& home) {
             return std::vector<std::string>{
                 Message(MSG_SYNTAX, home.path("bad.txt").c_str(), "3")};
         }},
        {"a list read to its end, replacing and clearing",
         false,
         {"mine.txt"},
         [&](TempDataHome&) { return std::vector<std::string>{brought(3, 1)}; }},
        {"a file that is not there: cannot open",
         false,
         {"gone.txt"},
         [](TempDataHome& home) {
             return std::vector<std::string>{
                 Message(MSG_CANNOT_OPEN, home.path("gone.txt").c_str())};
         }},
    };
    const std::string bad = "m 1\nkm 1\t1000 m\nx 1\t1 q\n";
    const std::string mine = "m 1\nm 1\n.btn 0\t1 m\n.btn 1\nft 1\t0.3048 m\n";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDataHome home;
        GetDataFolder();
        WriteBytes(home.path("bad.txt"), {bad.begin(), bad.end()});
        WriteBytes(home.path("mine.txt"), {mine.begin(), mine.end()});
        FakeWindow win;
        if (row.firstStart) {
            ASSERT_TRUE(StorageStartup());
            ASSERT_TRUE(LocateStateRecord());
            win.clearMessages();  // the welcome
        } else {
            SetMainDb(std::make_unique<Database>(Database::MakeEmpty("kivDB", kKivc, kData)));
            CreateStateRecord();
            LocateStateRecord();
        }
        for (const std::string& choice : row.choices)
            ImportUnitList(
                [&](bool, const std::string&, const std::string& folder, std::string* path) {
                    *path = choice.empty() ? "" : folder + "/" + choice;
                    return !choice.empty();
                });
        EXPECT_EQ(Shown(win), row.messages(home));
        ExpectOwnershipSound();
    }
}

TEST(FirstRun, ShippedListsLeaveTheSecondBankRoomAndNameTheirConstants) {
    for (const char* name : kShippedUnitLists) {
        SCOPED_TRACE(name);
        TestDb db;
        std::ifstream in(ShippedUnitListFolder() + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        ASSERT_EQ(ReadUnitList(text.str(), name), 0);
        int firstBank = 0, secondBankFree = 0;
        for (int s = 0; s < so::kUserSlots; ++s) {
            const bool set = State::userButton(s) != NULL_UID;
            if (s < 25) firstBank += set;
            if (s >= 25) secondBankFree += !set;
        }
        EXPECT_EQ(firstBank, 25);
        EXPECT_GE(secondBankFree, 10);
        // The measured constant is the CODATA 2022 value, and the header says so.
        EXPECT_EQ(UnitMagnitude(FindUnitByName("Da")), 1.66053906892e-27);
        EXPECT_NE(text.str().find("CODATA 2022"), std::string::npos);
        EXPECT_EQ(text.str().find("CODATA 2018"), std::string::npos);
    }
}

}  // namespace
}  // namespace kiv
