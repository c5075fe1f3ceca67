#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace kiv {
namespace {

constexpr uint32_t kData = FourCC("Data");
constexpr uint32_t kKivc = FourCC("Kivc");
const char kError5[] =
    "A database error of type 5 has occurred.  It may be necessary to uninstall and reinstall "
    "Kiv.";

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A file image assembled field by field, independent of SerializeDatabase.
struct Image {
    uint32_t type = kData, creator = kKivc, nextUid = 1, capacity = 1000;
    struct Rec {
        uint32_t uid, attributes;
        std::vector<uint8_t> data;
    };
    std::vector<Rec> records;
    std::vector<uint8_t> categories = std::vector<uint8_t>(256, 0);

    Image() { std::memcpy(categories.data(), "Unfiled", 7); }

    std::vector<uint8_t> bytes(int countDelta = 0) const {
        std::vector<uint8_t> out;
        Put32(out, type);
        Put32(out, creator);
        Put32(out, nextUid);
        Put32(out, capacity);
        Put32(out, uint32_t(int(records.size()) + countDelta));
        for (const auto& r : records) {
            Put32(out, r.uid);
            Put32(out, r.attributes);
            Put32(out, uint32_t(r.data.size()));
            out.insert(out.end(), r.data.begin(), r.data.end());
        }
        out.insert(out.end(), categories.begin(), categories.end());
        return out;
    }
};

// A sound state record of the given stack size (zero except the fields the
// loader checks).
std::vector<uint8_t> StateBytes(Uid uid, int stackSize, size_t size = 0) {
    std::vector<uint8_t> b(size ? size : 800 + 24 * size_t(stackSize), 0);
    std::memcpy(&b[4], &uid, 4);
    b[44] = uint8_t(stackSize);
    b[45] = uint8_t(stackSize >> 8);
    std::memset(&b[48], 0xFF, 8);  // no entry line, empty stack
    return b;
}

Image ValidImage() {
    Image im;
    im.nextUid = 5;
    im.records.push_back({1, 1, StateBytes(1, 16)});
    im.records.push_back({3, 0x22, {0x80, 0, 0, 0, 3, 0, 0, 0}});
    im.records.push_back({4, 1, {0x40, 0, 0, 0, 4, 0, 0, 0}});
    return im;
}

TEST(DatabaseFile, NewDatabaseWrites276BytesExactly) {
    TempDataHome tmp;
    ASSERT_FALSE(GetDataFolder().empty());
    const Database db = Database::MakeEmpty("kivDB", kKivc, kData);
    ASSERT_TRUE(SaveDatabase(db, GetDataFolder()));
    const std::vector<uint8_t> bytes = ReadBytes(tmp.path("kivDB_pdb"));
    std::vector<uint8_t> expect = {0x61, 0x74, 0x61, 0x44, 0x63, 0x76, 0x69, 0x4B, 1, 0,
                                   0,    0,    0xE8, 0x03, 0,    0,    0,    0,    0, 0};
    expect.resize(276, 0);
    std::memcpy(&expect[20], "Unfiled", 7);
    EXPECT_EQ(bytes, expect);
    EXPECT_EQ(tmp.list(), std::vector<std::string>{"kivDB_pdb"});  // no temporary left
}

TEST(DatabaseFile, SaveAndLoadReproduceTheDatabase) {
    TempDataHome tmp;
    const std::string folder = GetDataFolder();
    auto db = std::make_unique<Database>(Database::MakeEmpty("kivDB", kKivc, kData));
    db->newRecord(1184);
    for (int i = 0; i < 6; ++i) {
        const int r = db->newRecord(9 + size_t(i));
        db->setBytes(r, 0, 9, uint8_t(0x40 + i));
        const uint32_t attr = 0xABCD0000u | uint32_t(i % 16);
        db->setRecordInfo(r, &attr, nullptr);
    }
    db->removeRecord(6);  // the newest: the next UID must still move on
    db->removeRecord(2);
    db->setCategoryName(3, "Length");
    db->setCategoryName(15, "Last");
    db->categories[7][10] = 'x';  // bytes after a free slot's zero are kept too
    db->mutableTable()[0].data[44] = 16;
    const std::vector<uint8_t> saved = SerializeDatabase(*db);
    ASSERT_TRUE(SaveDatabase(*db, folder));

    OpenResult r = OpenByTypeAndCreator(folder, kData, kKivc);
    ASSERT_TRUE(r.db);
    EXPECT_TRUE(r.damagedFiles.empty());
    EXPECT_TRUE(r.db->saveOnClose);
    EXPECT_EQ(r.db->fileName, "kivDB_pdb");
    EXPECT_EQ(r.db->nextUid, 8u);
    EXPECT_EQ(r.db->capacity, 1000u);
    ASSERT_EQ(r.db->count(), db->count());
    for (int i = 0; i < db->count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(r.db->uid(i), db->uid(i));
        EXPECT_EQ(r.db->attributes(i), db->attributes(i));
        EXPECT_EQ(r.db->bytes(i), db->bytes(i));
    }
    EXPECT_EQ(r.db->categories, db->categories);
    EXPECT_EQ(SerializeDatabase(*r.db), saved);
    EXPECT_EQ(r.db->uid(r.db->newRecord(4)), 8u);
}

TEST(DatabaseFile, FilesOfAnotherTypeOrCreatorAreIgnored) {
    TempDataHome tmp;
    const std::string folder = GetDataFolder();
    Image other = ValidImage();
    other.type = FourCC("Appl");
    Image otherCreator = ValidImage();
    otherCreator.creator = FourCC("Xyzw");
    ASSERT_TRUE(WriteBytes(tmp.path("aaa_pdb"), other.bytes()));
    ASSERT_TRUE(WriteBytes(tmp.path("bbb_pdb"), otherCreator.bytes()));
    ASSERT_TRUE(WriteBytes(tmp.path("ccc_pdb"), {1, 2, 3}));             // too short to tell
    ASSERT_TRUE(WriteBytes(tmp.path("ddd.txt"), ValidImage().bytes()));  // not "*_pdb"
    OpenResult none = OpenByTypeAndCreator(folder, kData, kKivc);
    EXPECT_FALSE(none.db);
    EXPECT_TRUE(none.damagedFiles.empty());

    Image mine = ValidImage();
    ASSERT_TRUE(WriteBytes(tmp.path("kivDB_pdb"), mine.bytes()));
    OpenResult r = OpenByTypeAndCreator(folder, kData, kKivc);
    ASSERT_TRUE(r.db);
    EXPECT_EQ(r.db->fileName, "kivDB_pdb");
    EXPECT_EQ(r.db->count(), 3);
    EXPECT_EQ(tmp.list(),
              (std::vector<std::string>{"aaa_pdb", "bbb_pdb", "ccc_pdb", "ddd.txt", "kivDB_pdb"}));
}

struct Corrupt {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<Corrupt> CorruptFiles() {
    std::vector<Corrupt> rows;
    const std::vector<uint8_t> good = ValidImage().bytes();
    auto cut = good;
    cut.pop_back();
    rows.push_back({"ends one byte early", cut});
    rows.push_back({"ends inside the header", {good.begin(), good.begin() + 14}});
    rows.push_back({"ends inside a record header", {good.begin(), good.begin() + 24}});
    auto trailing = good;
    trailing.push_back(0);
    rows.push_back({"trailing byte", trailing});
    Image im = ValidImage();
    im.capacity = 2;
    rows.push_back({"count above capacity", im.bytes()});
    rows.push_back({"count says one more record", ValidImage().bytes(1)});
    rows.push_back({"count huge", ValidImage().bytes(0x7FFFFFF0)});
    auto pastEnd = good;
    pastEnd[20 + 8] = 0xFF;  // record 0's size
    pastEnd[20 + 9] = 0xFF;
    rows.push_back({"record size past the end", pastEnd});
    im = ValidImage();
    im.records[0].data = StateBytes(1, 32, 1184);
    rows.push_back({"state record shorter than its stack size", im.bytes()});
    im = ValidImage();
    im.records[0].data.resize(700);
    rows.push_back({"state record shorter than its fixed part", im.bytes()});
    im = ValidImage();
    im.records[0].data = StateBytes(1, 0);
    rows.push_back({"stack size zero", im.bytes()});
    im = ValidImage();
    im.records[0].data[52] = 16;  // stack top beyond the stack
    im.records[0].data[53] = im.records[0].data[54] = im.records[0].data[55] = 0;
    rows.push_back({"stack top out of range", im.bytes()});
    im = ValidImage();
    std::swap(im.records[0], im.records[1]);
    rows.push_back({"record 0 is a unit", im.bytes()});
    im = ValidImage();
    im.records[2].uid = 3;
    rows.push_back({"duplicate UID", im.bytes()});
    im = ValidImage();
    im.nextUid = 4;
    rows.push_back({"UID not below the next UID", im.bytes()});
    im = ValidImage();
    im.records[1].uid = NULL_UID;
    im.nextUid = 0xFFFFFFFFu;
    rows.push_back({"NULL_UID as a record's UID", im.bytes()});
    return rows;
}

TEST(DatabaseFile, CorruptFilesParseAsDamagedAndLeaveTheTargetAlone) {
    for (const auto& row : CorruptFiles()) {
        SCOPED_TRACE(row.name);
        Database untouched = Database::MakeEmpty("marker", kKivc, kData);
        std::string why;
        EXPECT_EQ(ParseDatabase(row.bytes.data(), row.bytes.size(), kData, kKivc, &untouched, &why),
                  LoadStatus::Damaged);
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(untouched.fileName, "marker_pdb");
        EXPECT_EQ(untouched.count(), 0);
    }
    const std::vector<uint8_t> good = ValidImage().bytes();
    Database db;
    EXPECT_EQ(ParseDatabase(good.data(), good.size(), kData, kKivc, &db), LoadStatus::Ok);
}

TEST(DatabaseFile, CorruptFileIsKeptAsDamagedAndReportedOnce) {
    for (const auto& row : CorruptFiles()) {
        SCOPED_TRACE(row.name);
        TempDataHome tmp;
        FakeWindow win;
        ASSERT_TRUE(WriteBytes(GetDataFolder() + "/kivDB_pdb", row.bytes));
        win.answers.push_back(Answer::Ok);      // the database error
        win.answers.push_back(Answer::Cancel);  // the welcome message
        EXPECT_FALSE(StorageStartup());
        EXPECT_EQ(MainDb(), nullptr);
        ASSERT_EQ(win.messages.size(), 2u);
        EXPECT_EQ(win.messages[0].text, kError5);
        EXPECT_EQ(win.messages[1].caption, "Welcome to Kiv!");
        EXPECT_EQ(tmp.list(), std::vector<std::string>{"kivDB_pdb.damaged"});
        EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb.damaged")), row.bytes);
    }
}

TEST(DatabaseFile, SecondDamagedFileDoesNotReplaceTheFirst) {
    TempDataHome tmp;
    FakeWindow win;
    const auto rows = CorruptFiles();
    ASSERT_TRUE(WriteBytes(GetDataFolder() + "/kivDB_pdb.damaged", rows[0].bytes));
    ASSERT_TRUE(WriteBytes(tmp.path("kivDB_pdb"), rows[1].bytes));
    win.answers = {Answer::Ok, Answer::Ok};
    ASSERT_TRUE(StorageStartup());
    EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb.damaged")), rows[0].bytes);
    EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb.damaged.1")), rows[1].bytes);
    EXPECT_TRUE(FirstStart());
    EXPECT_EQ(MainDb()->size(0), 1184u);
}

TEST(DatabaseFile, UnusableKivDbOfAnotherTypeIsSetAsideNotOverwritten) {
    TempDataHome tmp;
    FakeWindow win;
    Image other = ValidImage();
    other.type = FourCC("Appl");
    ASSERT_TRUE(WriteBytes(GetDataFolder() + "/kivDB_pdb", other.bytes()));
    ASSERT_TRUE(StorageStartup());
    EXPECT_TRUE(win.shownText("type 5"));
    EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb.damaged")), other.bytes());
    ASSERT_TRUE(StorageShutdown());
    EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb")).size(), 276u + 12 + 1184);
}

// A save that fails part way must leave the previous file as it was and no
// temporary file behind.
TEST(DatabaseFile, FailedSavesKeepTheOldFile) {
    struct Row {
        const char* name;
        FileOps ops;
    };
    FileOps partial = DefaultFileOps();
    partial.writeAll = [](int fd, const uint8_t* data, size_t size) {
        const ssize_t half = ::write(fd, data, size / 2);
        (void)half;
        return false;  // as if the process died after half the bytes
    };
    FileOps noSync = DefaultFileOps();
    noSync.sync = [](int) { return false; };
    FileOps noRename = DefaultFileOps();
    noRename.rename = [](const std::string&, const std::string&) { return false; };
    const Row rows[] = {
        {"partial write", partial}, {"sync fails", noSync}, {"rename fails", noRename}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TempDataHome tmp;
        const std::string folder = GetDataFolder();
        Database db = Database::MakeEmpty("kivDB", kKivc, kData);
        ASSERT_TRUE(SaveDatabase(db, folder));
        const std::vector<uint8_t> before = ReadBytes(tmp.path("kivDB_pdb"));
        db.newRecord(5000);
        SetFileOps(r.ops);
        EXPECT_FALSE(SaveDatabase(db, folder));
        SetFileOps(DefaultFileOps());
        EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb")), before);
        EXPECT_EQ(tmp.list(), std::vector<std::string>{"kivDB_pdb"});
        EXPECT_TRUE(SaveDatabase(db, folder));
        EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb")).size(), 276u + 12 + 5000);
    }
}

TEST(DatabaseFile, SaveNeedsSaveOnCloseAndAName) {
    TempDataHome tmp;
    Database db = Database::MakeEmpty("kivDB", kKivc, kData);
    db.saveOnClose = false;
    EXPECT_FALSE(SaveDatabase(db, GetDataFolder()));
    db.saveOnClose = true;
    db.fileName.clear();
    EXPECT_FALSE(SaveDatabase(db, GetDataFolder()));
    EXPECT_TRUE(tmp.list().empty());
}

TEST(DatabaseFile, UnresolvableUnitReferenceIsClearedAtStartup) {
    TempDataHome tmp;
    FakeWindow win;
    Image im = ValidImage();
    im.nextUid = 100;
    im.records[1].data = {0x80, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 'm', 0};
    std::vector<uint8_t>& st = im.records[0].data;
    Value v = Value::Real(2.0, 77);  // no record has UID 77
    std::memcpy(&st[800], v.b.data(), 24);
    std::memset(&st[52], 0, 4);          // stack top 0
    std::memcpy(&st[276], &v.b[16], 4);  // the entry unit too
    ASSERT_TRUE(WriteBytes(GetDataFolder() + "/kivDB_pdb", im.bytes()));
    ASSERT_TRUE(StorageStartup());
    ASSERT_TRUE(LocateStateRecord());
    EXPECT_TRUE(win.messages.empty());
    EXPECT_EQ(State::stackEntry(0).real(), 2.0);
    EXPECT_EQ(State::stackEntry(0).unit(), NULL_UID);
    EXPECT_EQ(State::entryUnit(), NULL_UID);
    EXPECT_EQ(MainDb()->count(), 3);
}

}  // namespace
}  // namespace kiv
