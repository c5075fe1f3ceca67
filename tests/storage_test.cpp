// SPDX-License-Identifier: GPL-3.0-or-later
// The record database and the database file at byte level: exact bytes,
// damaged files, start-up and shut-down, the data folder's lock, the UID
// cache and the state record's bounds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <deque>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

#include "app/core/unitlist.h"
#include "keypad/dispatch.h"
#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unitrec.h"
#include "units/unittext.h"
#include "window/appevent.h"
#include "window/messages.h"

namespace kiv {
namespace {

constexpr uint32_t kData = FourCC("Data"), kKivc = FourCC("Kivc");
using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string& s) {
    Bytes out;
    for (size_t i = 0; i + 1 < s.size(); i += s[i] == ' ' ? 1 : 2)
        if (s[i] != ' ') out.push_back(uint8_t(std::stoi(s.substr(i, 2), nullptr, 16)));
    return out;
}
Bytes Slice(const Bytes& b, size_t from, size_t n) {
    return Bytes(b.begin() + long(from), b.begin() + long(std::min(from + n, b.size())));
}
// A file image of the test unit table; record 0 starts at 20, its data at
// 32, record 1 at 1216.
Bytes TableImage(size_t stateSize = 0) {
    TestDb t;
    MakeUnitTable();
    if (stateSize) MainDb()->resizeRecord(0, stateSize);
    return SerializeDatabase(*MainDb());
}

TEST(DatabaseFile, ExactBytesOfAUsedDatabaseAndTheirRoundTrip) {
    TempDataHome tmp;
    TestDb t;
    const Uid m = DefineUnit("m", 1, {});
    DefineUnit("km", 1000, {{m, 3, -2}}, 5);
    DeleteByUid(MainDb()->uid(NewAppRecord(8, 1)));  // the newest goes, its UID stays used
    const uint32_t attr = 0xABC5;  // bits above the category stay, also when it is deleted
    MainDb()->setRecordInfo(1, &attr, nullptr);
    MainDb()->deleteCategory(5);
    MainDb()->categories[7][10] = 'x';  // so are bytes after a free slot's zero
    const Bytes b = SerializeDatabase(*MainDb());
    ASSERT_EQ(b.size(), 20 + 12 + 1184 + 12 + 23 + 12 + 22 + 12 + 16 + 256u);
    EXPECT_EQ(Slice(b, 0, 36), Hex("61746144 6376694B 06000000 E8030000 04000000 01000000"
                                   "01000000 A0040000 00000000"));
    EXPECT_EQ(Slice(b, 1216, 3 * 12 + 23 + 22 + 16),
              Hex("04000000 C0AB0000 17000000 80000000 04000000 0000000000408F40 03000000 6B6D00"
                  "02000000 00000000 16000000 80000000 02000000 000000000000F03F 00FF00FF 6D00"
                  "03000000 01000000 10000000 40010000 03000000 02000000 03FE0000"));
    EXPECT_EQ(Slice(b, b.size() - 256, 8), Hex("556E6669 6C656400"));  // "Unfiled"
    EXPECT_EQ(b[b.size() - 256 + 7 * 16 + 10], 'x');
    ASSERT_TRUE(SaveDatabase(*MainDb(), GetDataFolder()));
    const OpenResult r = OpenByTypeAndCreator(GetDataFolder(), kData, kKivc);
    ASSERT_TRUE(r.db);
    EXPECT_EQ(SerializeDatabase(*r.db), b);
    EXPECT_TRUE(SaveDatabase(*r.db, GetDataFolder()));  // saved again under the name it came from
    EXPECT_EQ(tmp.list(), std::vector<std::string>{"kivDB_pdb"});  // no temporary left
    r.db->saveOnClose = false;
    EXPECT_FALSE(SaveDatabase(*r.db, GetDataFolder()));
}

// Start-up sets such files aside (see StorageStartup's table).
TEST(DatabaseFile, DamagedFilesDoNotLoad) {
    const Bytes good = TableImage();
    std::vector<Bytes> bad = {TableImage(700), TableImage(1183)};
    // 32-bit fields patched: next UID, capacity, count, UIDs, a record's
    // size, record 0's kind, stack size, stack top and entry length.
    const std::vector<std::vector<std::pair<size_t, uint32_t>>> patches = {
        {{8, 2}},     {{12, 20}},  {{16, 24}},       {{16, 22}},
        {{20, 0}},    {{1216, 1}}, {{28, 0xFFFFFF}}, {{8, 0xFFFFFFFF}, {1216, NULL_UID}},
        {{32, 0x80}}, {{76, 3}},   {{76, 129}},      {{76, 32}},
        {{84, 16}},   {{84, ~1u}}, {{80, 129}},      {{80, ~1u}}};
    for (const auto& row : patches) {
        bad.push_back(good);
        for (const auto& [off, v] : row) PutU32(&bad.back()[off], v);
    }
    bad.push_back(good);
    bad.back().push_back(0);  // a trailing byte
    for (size_t size = 8; size < good.size(); size += 7) bad.push_back(Slice(good, 0, size));
    Database db;
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        std::string why;
        EXPECT_EQ(ParseDatabase(bad[i].data(), bad[i].size(), kData, kKivc, &db, &why),
                  LoadStatus::Damaged);
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(db.count(), 0);  // untouched
    }
    EXPECT_EQ(ParseDatabase(good.data(), 7, kData, kKivc, &db), LoadStatus::NotThisDatabase);
    Bytes full = good;  // as many records as the capacity allows
    PutU32(&full[12], ReadU32(&good[16]));
    EXPECT_EQ(ParseDatabase(full.data(), full.size(), kData, kKivc, &db), LoadStatus::Ok);
}

// The messages shown so far, as texts; they are then forgotten.
std::vector<std::string> Shown(FakeWindow& win) {
    std::vector<std::string> texts;
    for (const auto& m : win.messages) texts.push_back(m.text);
    win.clearMessages();
    return texts;
}
std::string Text(int id, const std::string& text1 = "", const std::string& text2 = "") {
    return ComposeCodedMessage(id, text1.c_str(), text2.c_str()).text;
}

std::vector<std::string> Split(const std::string& s) {
    std::istringstream in(s);
    return {std::istream_iterator<std::string>(in), {}};
}

// A start on what the last run left, which opens the file without a word.
void StartAgain(FakeWindow& win) {
    ReleaseStateRecord();
    TakeMainDb();
    ResetDataFolderForTests();
    win.clearMessages();
    ASSERT_TRUE(StorageStartup());
    EXPECT_FALSE(FirstStart());
    EXPECT_TRUE(LocateStateRecord());
    EXPECT_EQ(Shown(win), std::vector<std::string>{});
}

// Start-ups from what earlier runs left in the data folder (FILE=IMAGE ...):
// the messages (5 the database error "5", W the welcome, W! the welcome
// cancelled) and the folder after, the files that hold an image named so.
// Whatever a start leaves, the next start opens without a word, even when
// this run ends without its shut-down (killed in the first start's import
// dialog, say).
TEST(StorageStartup, WhateverEarlierRunsLeftTheNextStartOpens) {
    Bytes other = TableImage();
    PutU32(&other[0], FourCC("Appl"));
    const std::map<std::string, Bytes> images = {
        {"sound", TableImage()},
        {"other", other},
        {"one", {1}},
        {"bad", TableImage(700)},
        {"empty", SerializeDatabase(Database::MakeEmpty("kivDB", kKivc, kData))}};
    const char* const rows[][3] = {
        {"", "W!", ""},
        {"", "W", "kivDB_pdb"},
        {"aaa_pdb=other kivDB_pdb.damaged=one kivDB_pdb=other", "5 W",
         "aaa_pdb=other kivDB_pdb kivDB_pdb.damaged=one kivDB_pdb.damaged.1=other"},
        // No state record: an older build's first start killed before its first save.
        {"kivDB_pdb=empty", "5 W", "kivDB_pdb kivDB_pdb.damaged=empty"},
        {"a_pdb=empty kivDB_pdb=sound", "5", "a_pdb.damaged=empty kivDB_pdb=sound"},
        {"kivDB_pdb=bad", "5 W", "kivDB_pdb kivDB_pdb.damaged=bad"},
        // The first save fails: the start fails, with no database in use.
        {"!save", "W", ""}};
    for (const auto& [before, shown, after] : rows) {
        SCOPED_TRACE(after);
        TempDataHome tmp;
        FakeWindow win;
        GetDataFolder();
        const bool failSave = std::string(before) == "!save";
        for (const std::string& f : Split(before))
            if (!failSave)
                WriteBytes(tmp.path(f.substr(0, f.find('='))),
                           images.at(f.substr(f.find('=') + 1)));
        FileOps ops = DefaultFileOps();
        if (failSave) ops.rename = [](const std::string&, const std::string&) { return false; };
        SetFileOps(ops);
        const bool cancel = std::string(shown) == "W!";
        win.answers = {cancel ? Answer::Cancel : Answer::Ok};
        EXPECT_EQ(StorageStartup(), !cancel && !failSave);
        SetFileOps(DefaultFileOps());
        if (failSave) {
            EXPECT_EQ(MainDb(), nullptr);
        }
        EXPECT_EQ(FirstStart(), std::string(shown).back() != '5');
        EXPECT_TRUE(!cancel || StorageShutdown());  // nothing to write
        std::vector<std::string> want, folder;
        for (const std::string& t : Split(shown))
            want.push_back(t == "5" ? Text(MSG_DB_ERROR, "5") : Text(MSG_WELCOME));
        EXPECT_EQ(Shown(win), want);
        for (const std::string& name : tmp.list()) {
            folder.push_back(name);
            for (const auto& [image, bytes] : images)
                if (ReadBytes(tmp.path(name)) == bytes) folder.back() += "=" + image;
        }
        EXPECT_EQ(folder, Split(after));
        if (!cancel && !failSave) StartAgain(win);  // the process ends here, without its shut-down
    }
}

TEST(StorageStartup, RestartsLoadTheLastShutDownAndAFailedSaveKeepsTheFile) {
    TempDataHome tmp;
    FakeWindow win;
    ASSERT_TRUE(StorageStartup());
    ASSERT_TRUE(LocateStateRecord());
    ASSERT_TRUE(ResizeStateRecord(32));
    State::setStackSizeField(32);
    State::setPrecision(4);
    ASSERT_TRUE(StorageShutdown());
    Bytes saved = ReadBytes(tmp.path("kivDB_pdb"));
    saved[32 + so::kRadix] = 99;              // repaired at start-up
    PutU32(&saved[32 + so::kEntryUnit], 77);  // no record has UID 77
    ASSERT_TRUE(WriteBytes(tmp.path("kivDB_pdb"), saved));
    for (int step = 0; step < 4; ++step) {
        StartAgain(win);
        EXPECT_EQ(State::floatPrecision() * 10000 + State::radix(), 40000);
        EXPECT_EQ(State::entryUnit(), NULL_UID);
        EXPECT_EQ(State::recordSize(), 1568u);
        FileOps ops = DefaultFileOps();
        if (step == 0) ops.rename = [](const std::string&, const std::string&) { return false; };
        if (step == 1) ops.sync = [](int) { return false; };
        if (step == 2)
            ops.writeAll = [](int fd, const uint8_t* d, size_t n) {
                return ::write(fd, d, n / 2) < 0;  // as if the process died half way
            };
        SetFileOps(ops);
        // No temporary file can be made in a folder that is gone.
        const std::string away = tmp.folder() + ".away";
        if (step == 3) {
            ASSERT_EQ(::rename(tmp.folder().c_str(), away.c_str()), 0);
        }
        EXPECT_FALSE(StorageShutdown());
        if (step == 3) {
            ASSERT_EQ(::rename(away.c_str(), tmp.folder().c_str()), 0);
        }
        SetFileOps(DefaultFileOps());
        EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb")), saved);
        EXPECT_EQ(tmp.list().size(), 1u);  // no temporary file left
    }
    const int full = ::open("/dev/full", O_WRONLY);  // a real write error: no room
    EXPECT_FALSE(DefaultFileOps().writeAll(full, saved.data(), saved.size()));
    ::close(full);
}

// The Import and Export commands: their dialogs, the shipped lists a first
// start copies, and what each outcome says. A cancel of the first start's own
// import says how to import later, once; an import read to its end says how
// many units and buttons it brought.
TEST(UnitListFiles, TheCommandsAndWhatTheySay) {
    int refreshes = 0;
    SetAppEventHandler([&](int code, int) { refreshes += code == 4000; });
    std::deque<std::string> picks;  // names in the data folder, "" cancels
    const FileChooser choose = [&](bool save, const std::string& title, const std::string& folder,
                                   std::string* path) {
        EXPECT_EQ(title + " from " + folder,
                  (save ? "Export" : "Import") + std::string(" Unit List from ") + GetDataFolder());
        *path = folder + "/" + picks.front();
        picks.pop_front();
        return path->back() != '/';
    };
    {  // a first start: its own import cancelled, then another, then a shipped list
        TempDataHome tmp;
        FakeWindow win;
        ASSERT_TRUE(StorageStartup() && LocateStateRecord());
        picks = {"", "", "units-US.txt"};
        while (!picks.empty()) ImportUnitList(choose);
        int buttons = 0;
        for (int s = 0; s < so::kUserSlots; ++s) buttons += State::userButton(s) != NULL_UID;
        EXPECT_EQ(Shown(win), (std::vector<std::string>{
                                  Text(MSG_WELCOME), Text(MSG_IMPORT_LATER),
                                  Text(MSG_IMPORTED, std::to_string(CountRecords(255).unitsTotal),
                                       std::to_string(buttons))}));
    }
    TempDataHome tmp;
    TestDb t;
    GetDataFolder();
    ASSERT_TRUE(WriteBytes(tmp.path("units-US.txt"), {' ', '#', '\n', '\t', '\n'}));
    EXPECT_EQ(CopyShippedUnitLists(tmp.folder()), 1);  // a list the user changed stays
    EXPECT_EQ(ReadBytes(tmp.path("units-UK.txt")),
              ReadBytes(ShippedUnitListFolder() + "/units-UK.txt"));
    const std::string bad = "m 1\nkm 1\t1000 m\nx 1\t1 (m)\n";
    const std::string mine = "m 1\nm 1\n.btn 0\t1 m\n.btn 1\nft 1\t0.3048 m\n";
    ASSERT_TRUE(WriteBytes(tmp.path("bad.txt"), {bad.begin(), bad.end()}));
    ASSERT_TRUE(WriteBytes(tmp.path("mine.txt"), {mine.begin(), mine.end()}));
    picks = {"", "", "units-US.txt", "mine.txt", "bad.txt", "gone.txt", "."};
    ImportUnitList(choose);  // cancelled: nothing happens, not even a refresh
    ExportUnitList(choose);
    EXPECT_EQ(refreshes, 1);  // the first start's import read its list
    for (int i = 0; i < 4; ++i) ImportUnitList(choose);
    ExportUnitList(choose);                         // the folder itself cannot be written as a file
    EXPECT_FALSE(ExportUnitListFile("/dev/full"));  // no room to write
    EXPECT_EQ(refreshes, 4);
    EXPECT_EQ(
        Shown(t.win),
        (std::vector<std::string>{
            Text(MSG_IMPORTED, "0", "0"), Text(MSG_IMPORTED, "3", "1"),
            Text(MSG_SYNTAX, tmp.path("bad.txt"), "3"), Text(MSG_CANNOT_OPEN, tmp.path("gone.txt")),
            Text(MSG_CANNOT_OPEN, tmp.path(".")), Text(MSG_CANNOT_OPEN, "/dev/full")}));
    SetAppEventHandler(nullptr);
}

// Everything a unit list carries, sorted: the categories, every unit with
// its category, magnitude (its bits) and whole definition text, the buttons.
std::vector<std::string> ListContents() {
    std::vector<std::string> out;
    for (int c = 0; c < Database::kCategories; ++c)
        out.push_back(".cat " + std::to_string(c) + " " + MainDb()->categoryName(c));
    for (int i = 1; i < MainDb()->count(); ++i)
        if (IsUnitRecord(i))
            out.push_back(UnitName(i) + " " + std::to_string(CategoryOfRecord(i)) + " " +
                          (UnitDefinition(i) == NULL_UID  // a base unit's magnitude has no meaning
                               ? "base"
                               : std::to_string(std::bit_cast<uint64_t>(UnitMagnitude(i))) + " " +
                                     WholeExpressionText(UnitDefinition(i))));
    for (int b = 0; b < so::kUserSlots; ++b)
        out.push_back(".btn " + std::to_string(b) + " " +
                      WholeExpressionText(State::userButton(b)));
    std::sort(out.begin(), out.end());
    return out;
}

// Export then import gives back everything a list carries: a table of long
// unit names whose definitions and buttons pass the display's 40
// characters, with magnitudes of every size, and both shipped lists. What
// is written does not follow the display mode. A line longer than a list
// line (255) is refused whole, naming its unit, and nothing is written.
TEST(UnitListFiles, ExportThenImportGivesEverythingBack) {
    TempDataHome tmp;
    const std::string file = GetDataFolder() + "/list.txt";
    std::mt19937_64 rng(7);
    const auto pick = [&](int n) { return int(rng() % uint64_t(n)); };
    std::vector<Uid> base;
    const auto random = [&] {  // up to five of the base units, each once
        const Uid e = NewExpression();
        for (int n = 1 + pick(5), first = pick(12), step = 1 + pick(2); n > 0; --n)
            MultiplyIn(e, base[size_t(first + n * step) % 12],
                       std::array{0, 0, 3, -3, 6}[size_t(pick(5))],
                       pick(2) ? 1 + pick(3) : -1 - pick(3), nullptr);
        return Normalise(e);
    };
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        TestDb t;
        const Bytes shipped =
            ReadBytes(ShippedUnitListFolder() + "/" + kShippedUnitLists[round % 2]);
        std::string list = round ? std::string(shipped.begin(), shipped.end()) : "";
        for (int u = 0; !round && u < 12; ++u)
            list += std::string(20, char('a' + u)) + " " + std::to_string(u) + "\n";
        ASSERT_EQ(ReadUnitList(list, "list"), 0);
        for (int i = 1; !round && IsUnitRecord(i); ++i) base.push_back(MainDb()->uid(i));
        for (int u = 0; !round && u < 120; ++u) {
            double x = std::ldexp(double(rng() >> 11), -pick(120));
            if (u % 2) x = std::bit_cast<double>(rng());
            if (u < 3) x = std::array{DBL_MAX, -DBL_TRUE_MIN * 12345, 1.0 / 3}[size_t(u)];
            if (std::isfinite(x) && x != 0)
                CreateUnit({'u', char('a' + u / 26), char('a' + u % 26)}, x, random(), u % 16);
        }
        for (int b = 0; !round && b < so::kUserSlots; b += 1 + pick(3)) setSlot(b, random());
        const std::vector<std::string> before = ListContents();
        Bytes b;
        for (uint8_t mode = 0; mode < 4; ++mode) {
            State::setDisplayMode(mode);
            ASSERT_TRUE(ExportUnitListFile(file));
            EXPECT_TRUE(!mode || ReadBytes(file) == b);
            b = ReadBytes(file);
        }
        EXPECT_EQ(std::count(b.begin(), b.end(), '\n'), std::count(b.begin(), b.end(), '\r'));
        TestDb fresh;
        ASSERT_TRUE(ImportUnitListFile(file));
        EXPECT_EQ(ListContents(), before);
        if (round) continue;
        // A definition line of 255 characters (read whole), then one a character longer.
        std::string line = std::string(20, 'x') + " 1\t3 " + std::string(20, 'a');
        for (int u = 1; u < 11; ++u) line += "*" + std::string(20, char('a' + u));
        ASSERT_EQ(ReadUnitList(line, "line"), 0);
        ASSERT_TRUE(ExportUnitListFile(file));
        const Uid wide = CopyExpression(UnitDefinition(FindUnitByName(std::string(20, 'x'))));
        const auto refused = [&](const std::string& named) {
            ::remove(file.c_str());
            EXPECT_FALSE(ExportUnitListFile(file));
            EXPECT_NE(::access(file.c_str(), F_OK), 0);
            EXPECT_EQ(Shown(fresh.win),
                      std::vector<std::string>{Text(MSG_EXPORT_LINE_TOO_LONG, named)});
        };
        CreateUnit(std::string(21, 'y'), 3, CopyExpression(wide), 1);
        refused(std::string(21, 'y'));
        DeleteUnitAndDependents(FindUnitByName(std::string(21, 'y')));
        MultiplyIn(wide, MainDb()->uid(FindUnitByName(std::string(20, 'l'))), 0, 1, nullptr);
        setSlot(30, wide);  // ".btn\t30\t1 " and 251 characters
        refused(WholeExpressionText(wide));
    }
}

TEST(DataFolder, IsLockedByOneProcess) {
    TempDataHome tmp;
    // Processes started before the lock is taken ask for it once told to.
    auto probe = [](int* go) {
        if (::pipe(go) != 0) return pid_t(-1);
        const pid_t pid = ::fork();
        if (pid == 0) _exit(::read(go[0], go, 1) == 1 && AcquireDataFolderLock() ? 0 : 1);
        return pid;
    };
    auto gotIt = [](int* go, pid_t pid) {
        int status = 1;
        return ::write(go[1], "g", 1) == 1 && ::waitpid(pid, &status, 0) == pid &&
               WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    int go1[2], go2[2];
    const pid_t first = probe(go1), second = probe(go2);
    ASSERT_TRUE(AcquireDataFolderLock());
    EXPECT_TRUE(AcquireDataFolderLock());  // the holder asking again
    EXPECT_FALSE(gotIt(go1, first));
    ReleaseDataFolderLock();
    EXPECT_TRUE(tmp.list().empty());  // the lock file goes with the lock
    EXPECT_TRUE(gotIt(go2, second));
    // A lock file that cannot be opened is no lock taken.
    ::unlink(tmp.path("kiv.lock").c_str());
    ASSERT_EQ(::mkdir(tmp.path("kiv.lock").c_str(), 0700), 0);
    EXPECT_FALSE(AcquireDataFolderLock());
    ::rmdir(tmp.path("kiv.lock").c_str());
}

TEST(MainDatabase, TheUidCacheFollowsRemovalsAndFaultsAreReported) {
    TestDb t;
    std::vector<Uid> uid;
    for (int i = 0; i < 20; ++i) uid.push_back(MainDb()->uid(NewAppRecord(8, 2)));
    ResetUidCache();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(IndexOfUid(uid[size_t(i)]), i + 1);
    const UidCacheSlot* c = UidCacheSlots();
    EXPECT_EQ(c[c[0].next].uid, uid[19]);  // most recent first, the oldest evicted
    EXPECT_EQ(c[c[c[0].prev].prev].uid, uid[6]);
    ASSERT_TRUE(DeleteByUid(uid[17]));
    c = UidCacheSlots();
    for (int s = c[0].next, n = 0; n < 15; s = c[s].next, ++n)
        EXPECT_TRUE(c[c[s].next].prev == s &&
                    (c[s].uid == NULL_UID || MainDb()->uid(c[s].index) == c[s].uid));
    const int emptied = c[0].prev;  // the removed record's slot is reused first
    EXPECT_EQ(c[emptied].uid, NULL_UID);
    const Uid added = MainDb()->uid(NewAppRecord(8, 2));
    EXPECT_EQ(UidCacheSlots()[emptied].uid, added);
    EXPECT_EQ(PtrFromUID(uid[17]) + PtrFromUID(NULL_UID), -2);
    EXPECT_EQ(Shown(t.win), (std::vector<std::string>{Text(MSG_DB_ERROR, "3"), "Alert 1300"}));
    EXPECT_TRUE(DeleteByUid(NULL_UID));
    // Records made near the end of the UID range still save loadably (a
    // fault once): the last UID and NULL_UID are never handed out.
    for (const uint32_t next : {NULL_UID - 1, 0xFFFFFFFDu}) {
        MainDb()->nextUid = next;
        int made = 0;
        while (made < 4 && NewAppRecord(8, 1) >= 0) ++made;
        EXPECT_EQ(made, next == NULL_UID - 1 ? 4 : 2);
        const Bytes b = SerializeDatabase(*MainDb());
        Database d;
        EXPECT_EQ(ParseDatabase(b.data(), b.size(), kData, kKivc, &d), LoadStatus::Ok);
    }
}

TEST(StateRecord, OnlyAnEmptyDatabaseTakesOneAndItsFieldsHaveBounds) {
    TestDb t;
    EXPECT_FALSE(CreateStateRecord());
    EXPECT_TRUE(t.win.shownText("There is not enough free memory."));
    EXPECT_EQ(MainDb()->count(), 1);
    const Bytes before = MainDb()->bytes(0);
    State::setUserButton(50, 1);
    State::setEntryChar(136, 1);
    State::setMemory(10, Value::Real(1));
    State::setStackEntry(16, Value::Real(1));  // past the record: clipped away
    EXPECT_EQ(MainDb()->bytes(0), before);
    SetMainDb(std::make_unique<Database>(Database::MakeEmpty("kivDB", kKivc, kData)));
    EXPECT_FALSE(LocateStateRecord());
    EXPECT_TRUE(t.win.shownText("A database error of type 2 has occurred."));
    EXPECT_EQ(State::wordSize(), 0);  // reads without a record give 0
}

// The index by UID must answer as the plain first-match search over the
// table would, through appends, removals anywhere, sorts, UIDs changed in
// place and duplicates brought in through the raw table.
int FirstMatch(const Database& db, Uid uid) {
    for (int i = 0; i < db.count(); ++i)
        if (db.table()[size_t(i)].uid == uid) return i;
    return -1;
}

TEST(UidIndex, AnswersAsTheFirstMatchingRecordThroughEveryChange) {
    Database db = Database::MakeEmpty("t", 1, 2);
    db.capacity = 400;
    db.newRecord(4);
    db.findByUid(1);  // the index exists from here on: it must grow with the table
    while (db.count() < 40) db.newRecord(4);
    std::mt19937 gen(11);
    for (int round = 0; round < 3000; ++round) {
        SCOPED_TRACE(round);
        // No UID twice in the first half, so that the index itself answers
        // there; the plain search takes over once a table holds duplicates.
        const bool sound = round < 1500;
        const uint32_t op = gen() % 100;
        if (op < 45 || db.count() < 3) {
            const int i = db.newRecord(4 + gen() % 8);
            if (i >= 0) db.writeU8(i, 0, uint8_t(gen()));
        } else if (op < 85) {
            db.removeRecord(int(gen() % uint32_t(db.count())));
        } else if (op < 90) {
            db.sort([](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
                return int(a[0]) - int(b[0]);
            });
        } else if (op < 95) {
            // Unique UIDs in the first half; then half of them a UID that
            // newRecord will hand out again.
            const Uid uid =
                sound ? Uid(1000000 + round) : db.nextUid + (gen() % 2 ? 5000 : 0) + gen() % 10;
            db.setRecordInfo(int(gen() % uint32_t(db.count())), nullptr, &uid);
        } else if (sound && round % 2) {
            // newRecord hands out a UID a record already took, then the one
            // found first goes.
            const Uid uid = db.nextUid;
            db.setRecordInfo(0, nullptr, &uid);
            ASSERT_EQ(db.findByUid(uid), 0);
            db.newRecord(4);
            db.removeRecord(0);
        } else if (!sound) {
            // A duplicate UID, as a damaged table could hold.
            auto& t = db.mutableTable();
            t[gen() % t.size()].uid = t[gen() % t.size()].uid;
        }
        for (Uid uid = 0; uid < db.nextUid + 5010; uid += (uid < db.nextUid ? 1 : 997))
            ASSERT_EQ(db.findByUid(uid), FirstMatch(db, uid)) << "uid " << uid;
        for (const auto& r : db.table())
            ASSERT_EQ(db.findByUid(r.uid), FirstMatch(db, r.uid)) << "uid " << r.uid;
    }
    // A copy answers for its own table, the original for its own.
    Database copy = db;
    const Uid first = db.uid(0);
    db.removeRecord(0);
    EXPECT_EQ(copy.findByUid(first), FirstMatch(copy, first));
    EXPECT_EQ(db.findByUid(first), FirstMatch(db, first));
}

// Caches of unit names and reductions trust the watch version: each change
// to a record they read moves it, a change to any other record does not
// (the algebra's temporaries come and go at key-press rate), and a sort or
// the raw table always does.
TEST(RecordDatabase, ChangesToAWatchedRecordMoveTheVersion) {
    const uint32_t attr = 3;
    const Uid uid = 99;
    const std::vector<std::pair<bool, std::function<void(Database&)>>> changes = {
        {false, [](Database& d) { d.writeU8(1, 0, 7); }},
        {false, [](Database& d) { d.resizeRecord(1, 9); }},
        {false, [](Database& d) { d.removeRecord(1); }},
        {false, [&](Database& d) { d.setRecordInfo(1, &attr, nullptr); }},
        {false, [&](Database& d) { d.setRecordInfo(1, nullptr, &uid); }},
        {true, [](Database& d) { d.sort([](auto&, auto&) { return 0; }); }},
        {true, [](Database& d) { d.mutableTable(); }}};
    for (size_t i = 0; i < changes.size(); ++i)
        for (const bool watched : {false, true}) {
            Database db = Database::MakeEmpty("w", 1, 2);
            db.newRecord(4), db.newRecord(4);
            if (watched) db.watch(1);
            const uint64_t before = db.watchVersion();
            changes[i].second(db);
            EXPECT_EQ(db.watchVersion() != before, watched || changes[i].first) << i;
        }
}

}  // namespace
}  // namespace kiv
