// The repair start-up applies to a loaded main database: each kind of damage
// a file can carry past the structural checks is put right, and a sound
// database is left byte for byte as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/stack.h"
#include "fuzz/invariants.h"
#include "keypad/dispatch.h"
#include "keypad/script.h"
#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unitrec.h"

namespace kiv {
namespace {

class LoaderRepair : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u;
    LoaderRepair() {
        resetKeypadState();
        setDisplayGeometry(0, 280, 280, 5);
        u = MakeUnitTable();
        setSlot(0, ExpressionOf(u.m));
        RunScript({"5", 2036, "\r", "7", "\r"});  // 5 m and 7 on the stack
    }
    void TearDown() override {
        EXPECT_EQ(check::StateRangeReport(), "");
        ExpectOwnershipSound();
    }
    // Repairs the main database as start-up does and re-takes the state.
    std::vector<uint8_t> Repair() {
        ReleaseStateRecord();
        RepairMainDatabase(*MainDb());
        ResetUidCache();
        EXPECT_TRUE(LocateStateRecord());
        return SerializeDatabase(*MainDb());
    }
    int IndexOf(Uid uid) { return MainDb()->findByUid(uid); }
    void Write32(int index, size_t off, uint32_t v) { MainDb()->writeU32(index, off, v); }
    Uid StackUnit(int level) { return State::stackEntry(level).unit(); }
};

TEST_F(LoaderRepair, SoundDatabaseStaysByteForByte) {
    RunScript({"2", 2037, "*", 3101});
    const std::vector<uint8_t> before = SerializeDatabase(*MainDb());
    EXPECT_EQ(Repair(), before);
}

TEST_F(LoaderRepair, DanglingReferencesAreCleared) {
    const int records = MainDb()->count();
    Value v = State::stackEntry(0);
    const Uid missing = MainDb()->nextUid + 50;
    MainDb()->nextUid += 100;
    DeleteByUid(v.unit());  // the 5 m loses its expression record
    State::setEntryUnit(missing);
    State::setUserButton(7, missing);
    State::setMemory(3, Value::Real(4.0, missing));
    Write32(IndexOf(u.ft), uo::kDefinition, missing);  // ft's definition gone
    Repair();
    EXPECT_EQ(State::stackEntry(0).real(), 5.0);
    EXPECT_EQ(StackUnit(0), NULL_UID);
    EXPECT_EQ(State::entryUnit(), NULL_UID);
    EXPECT_EQ(State::userButton(7), NULL_UID);
    EXPECT_EQ(State::memory(3).real(), 4.0);
    EXPECT_EQ(State::memory(3).unit(), NULL_UID);
    EXPECT_EQ(UnitDefinition(IndexOf(u.ft)), NULL_UID);  // now a base unit
    EXPECT_EQ(MainDb()->count(), records - 2);           // 5 m's unit and ft's old definition
}

TEST_F(LoaderRepair, ExpressionCountBeyondItsSizeIsCut) {
    const Uid e = State::userButton(0);
    MainDb()->writeU8(IndexOf(e), eo::kCount, 200);
    Repair();
    EXPECT_EQ(MainDb()->u8(IndexOf(e), eo::kCount), 1);
    EXPECT_EQ(ComponentsAt(IndexOf(e)).front().unit, u.m);
}

TEST_F(LoaderRepair, ComponentsNamingNoUnitOrWithZeroExponentGo) {
    const Uid e = ExpressionOf(u.m);
    State::setUserButton(9, e);
    int i = IndexOf(e);
    MainDb()->resizeRecord(i, 8 + 8 * 4);
    const uint8_t comps[] = {
        0, 0, 0, 0, 0, 1, 0, 0,  // an expression record instead of a unit (patched below)
        0, 0, 0, 0, 3, 0, 0, 0,  // s with exponent 0
        0, 0, 0, 0, 0, 2, 0, 0,  // kg squared: kept
    };
    MainDb()->writeAt(i, 16, comps, sizeof comps);
    Write32(i, 16, e);
    Write32(i, 24, u.s);
    Write32(i, 32, u.kg);
    MainDb()->writeU8(i, eo::kCount, 4);
    Repair();
    i = IndexOf(e);
    const std::vector<Component> kept = ComponentsAt(i);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], (Component{u.m, 0, 1}));
    EXPECT_EQ(kept[1], (Component{u.kg, 0, 2}));
}

TEST_F(LoaderRepair, UnknownKindsGoAndDeletionMarksAreDropped) {
    const int records = MainDb()->count();
    const int stray = NewAppRecord(30, 1);
    MainDb()->writeU8(stray, 0, 0x22);  // no such kind
    const int second = NewAppRecord(900, 1);
    MainDb()->writeU8(second, 0, 0x00);  // a second state record
    const int shortUnit = NewAppRecord(12, 0);
    MainDb()->writeU8(shortUnit, 0, KIND_UNIT);  // too short to hold a name
    MainDb()->writeU8(IndexOf(u.min), 0, KIND_UNIT | KIND_MARK);
    Repair();
    EXPECT_EQ(MainDb()->count(), records);
    EXPECT_EQ(MainDb()->u8(IndexOf(u.min), 0), KIND_UNIT);
}

TEST_F(LoaderRepair, SharedExpressionKeepsItsFirstOwnerAndUnownedOnesGo) {
    const int records = MainDb()->count();
    const Uid m = State::userButton(0);
    State::setUserButton(5, m);  // a second claim on the same record
    State::setEntryUnit(u.m);    // a unit record, not an expression
    const int orphan = NewAppRecord(16, 1);
    MainDb()->writeU8(orphan, 0, KIND_EXPR);
    Repair();
    EXPECT_EQ(State::userButton(0), m);
    EXPECT_EQ(State::userButton(5), NULL_UID);
    EXPECT_EQ(State::entryUnit(), NULL_UID);
    EXPECT_EQ(MainDb()->count(), records);
}

TEST_F(LoaderRepair, UnterminatedUnitNameIsCut) {
    const int i = IndexOf(u.kg);
    const size_t size = MainDb()->size(i);
    MainDb()->setBytes(i, uo::kName, size - uo::kName, 'k');
    Repair();
    EXPECT_EQ(MainDb()->u8(IndexOf(u.kg), size - 1), 0);
    EXPECT_EQ(UnitName(IndexOf(u.kg)), std::string(size - uo::kName - 1, 'k'));
}

TEST_F(LoaderRepair, StateFieldsOutOfRangeGetDefaults) {
    const uint8_t bad[][2] = {{so::kRadix, 37},      {so::kDisplayMode, 4},
                              {so::kWordSize, 24},   {so::kSigned, 2},
                              {so::kAltShift, 9},    {so::kPerState, 3},
                              {so::kFullDisplay, 5}, {so::kSavedCount, 7},
                              {so::kPrefixLevel, 3}, {so::kPendingPrefix, 100}};
    for (const auto& f : bad) State::write(f[0], &f[1], 1);
    Repair();
    EXPECT_EQ(State::radix(), 0);
    EXPECT_EQ(State::displayMode(), 0);
    EXPECT_EQ(State::wordSize(), 32);
    EXPECT_EQ(State::u8(so::kSigned), 1);
    EXPECT_EQ(State::u8(so::kAltShift), 1);
    EXPECT_EQ(State::perState(), 0);
    EXPECT_EQ(State::fullDisplay(), 0);
    EXPECT_EQ(State::savedCount(), 0);
    EXPECT_EQ(State::prefixLevel(), 0);
    EXPECT_EQ(State::pendingPrefix(), 0);
    EXPECT_EQ(State::stackEntry(0).real(), 5.0);  // the stack itself is kept
}

TEST_F(LoaderRepair, ValuesOfTheWrongKindOrNotFiniteBecomeZero) {
    Value bogus = State::stackEntry(1);
    bogus.b[0] = 7;
    State::setStackEntry(1, bogus);
    State::setMemory(2, Value::Real(std::numeric_limits<double>::quiet_NaN()));
    uint8_t word[16] = {42};
    State::setMemory(4, Value::Int(word));  // an integer in floating mode
    Repair();
    EXPECT_TRUE(State::stackEntry(1).isReal());
    EXPECT_EQ(State::stackEntry(1).real(), 0.0);
    EXPECT_EQ(State::memory(2).real(), 0.0);
    EXPECT_TRUE(State::memory(4).isReal());
    EXPECT_EQ(State::stackEntry(0).real(), 5.0);
    EXPECT_NE(StackUnit(0), NULL_UID);
}

TEST_F(LoaderRepair, OpenEntryLineGetsItsCursorBack) {
    RunScript({"12"});
    // The cursor and terminator overwritten: the text would run on through
    // the whole room.
    MainDb()->setBytes(0, so::kEntryText + 2, so::kEntryTextRoom - 2, '7');
    Repair();
    EXPECT_EQ(State::entryLength(), 2);
    EXPECT_EQ(State::entryText(), "12_");
    // A zero among the typed characters ends the line there.
    State::setEntryChar(1, 0);
    Repair();
    EXPECT_EQ(State::entryLength(), 1);
    EXPECT_EQ(State::entryText(), "1_");
    RunScript({"5", "\r"});
    EXPECT_EQ(State::stackEntry(State::stackTop()).real(), 15.0);
}

TEST_F(LoaderRepair, StateRecordLongerThanItsStackIsTrimmed) {
    MainDb()->resizeRecord(0, StateRecordSize(16) + 100);
    Repair();
    EXPECT_EQ(State::recordSize(), StateRecordSize(16));
    EXPECT_EQ(State::stackEntry(0).real(), 5.0);
}

// A file whose next UID is near the top of the range: every record made
// afterwards must still leave a file that loads.
TEST(LoaderUidRange, RecordsNearTheLastUidStillSaveLoadably) {
    for (uint32_t next : {0xFFFFFFFEu, 0xFF00FEFFu}) {
        Database db = Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"));
        db.nextUid = next;
        const int st = db.newRecord(StateRecordSize(16));
        ASSERT_EQ(st, 0);
        db.writeU32(st, so::kStackSize, 16);
        db.writeI32(st, so::kEntryLength, -1);
        db.writeI32(st, so::kStackTop, -1);
        int made = 0;
        while (made < 4 && db.newRecord(8) >= 0) ++made;
        EXPECT_EQ(made, next == 0xFFFFFFFEu ? 0 : 4) << std::hex << next;
        for (const auto& r : db.table()) EXPECT_NE(r.uid, NULL_UID);
        const std::vector<uint8_t> bytes = SerializeDatabase(db);
        Database again;
        std::string why;
        EXPECT_EQ(ParseDatabase(bytes.data(), bytes.size(), db.type, db.creator, &again, &why),
                  LoadStatus::Ok)
            << why << " next UID " << std::hex << next;
    }
}

TEST(LoaderRepairAtStartup, DamagedFileLoadsRepairedAndSound) {
    TempDataHome tmp;
    std::vector<uint8_t> bytes;
    {
        TestDb db;
        const UnitTable u = MakeUnitTable();
        setSlot(0, ExpressionOf(u.m));
        State::setUserButton(1, State::userButton(0));  // shared
        State::setRadix(99);
        bytes = SerializeDatabase(*MainDb());
    }
    ASSERT_TRUE(WriteBytes(GetDataFolder() + "/kivDB_pdb", bytes));
    FakeWindow win;
    ASSERT_TRUE(StorageStartup());
    ASSERT_TRUE(LocateStateRecord());
    EXPECT_TRUE(win.messages.empty());
    EXPECT_EQ(State::radix(), 0);
    EXPECT_NE(State::userButton(0), NULL_UID);
    EXPECT_EQ(State::userButton(1), NULL_UID);
    EXPECT_EQ(check::SoundnessReport(), "");
}

}  // namespace
}  // namespace kiv
