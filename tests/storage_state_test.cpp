#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "storage/maindb.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace kiv {
namespace {

void PutLe(std::vector<uint8_t>& b, size_t off, uint32_t v, int width) {
    for (int i = 0; i < width; ++i) b[off + size_t(i)] = uint8_t(v >> (8 * i));
}

// The defaults of a new record, built independently of the setters.
std::vector<uint8_t> ExpectedNewRecord(Uid uid) {
    std::vector<uint8_t> b(1184, 0);
    PutLe(b, 4, uid, 4);
    b[16] = 32;  // word size
    b[18] = 1;   // degrees
    b[22] = 10;  // precision
    const uint8_t groups[6] = {3, 4, 3, 3, 8, 0};
    std::memcpy(&b[24], groups, 6);
    b[36] = 1;  // simplify units
    b[37] = 1;  // warn about overflow
    PutLe(b, 44, 16, 4);
    PutLe(b, 48, 0xFFFFFFFFu, 4);
    PutLe(b, 52, 0xFFFFFFFFu, 4);
    for (int i = 0; i < 50; ++i) PutLe(b, 76 + 4 * size_t(i), NULL_UID, 4);
    PutLe(b, 276, NULL_UID, 4);
    for (int i = 0; i < 10; ++i) PutLe(b, 464 + 24 * size_t(i) + 16, NULL_UID, 4);
    return b;
}

TEST(StateRecord, NewRecordMatchesTheLayoutByteForByte) {
    TestDb t;
    ASSERT_EQ(MainDb()->count(), 1);
    EXPECT_EQ(MainDb()->uid(0), 1u);
    EXPECT_EQ(CategoryOfRecord(0), 1);
    const std::vector<uint8_t> expect = ExpectedNewRecord(1);
    const std::vector<uint8_t>& got = MainDb()->bytes(0);
    ASSERT_EQ(got.size(), expect.size());
    for (size_t i = 0; i < expect.size(); ++i) EXPECT_EQ(got[i], expect[i]) << "offset " << i;
    // Every memory register reads back as the real 0.0 with no unit.
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(State::memory(i).isReal());
        EXPECT_EQ(State::memory(i).unit(), NULL_UID);
    }
}

TEST(StateRecord, CreateRefusesADatabaseThatAlreadyHasRecords) {
    TestDb t;
    EXPECT_FALSE(CreateStateRecord());
    EXPECT_TRUE(t.win.shownText("There is not enough free memory."));
    EXPECT_EQ(MainDb()->count(), 1);  // the extra record is not left behind
}

// Each setter writes exactly its field: run it on a record filled with 0xEE
// and compare with the expected bytes.
TEST(StateRecord, EverySetterWritesExactlyItsWidth) {
    struct Row {
        const char* name;
        std::function<void()> set;
        size_t offset;
        std::vector<uint8_t> bytes;
    };
    const Value v = Value::Real(2.5, 0x01020304);
    std::vector<uint8_t> vb(v.b.begin(), v.b.end());
    const Row rows[] = {
        {"hp stack", [] { State::setHpStack(1); }, 13, {1}},
        {"radix", [] { State::setRadix(16); }, 14, {16}},
        {"display mode", [] { State::setDisplayMode(3); }, 15, {3}},
        {"word size", [] { State::setWordSize(128); }, 16, {128}},
        {"signed", [] { State::setSigned(1); }, 17, {1}},
        {"angle unit", [] { State::setAngleUnit(0); }, 18, {0}},
        {"alt shift", [] { State::setAltShift(1); }, 19, {1}},
        {"hyp shift", [] { State::setHypShift(1); }, 20, {1}},
        {"unit keypad", [] { State::setUnitKeypad(1); }, 21, {1}},
        {"precision", [] { State::setPrecision(7); }, 22, {7}},
        {"leading zeros", [] { State::setLeadingZeros(1); }, 23, {1}},
        {"groups float", [] { State::setGroupSize(0, 5); }, 24, {5}},
        {"groups hex", [] { State::setGroupSize(16, 2); }, 25, {2}},
        {"groups decimal", [] { State::setGroupSize(10, 6); }, 26, {6}},
        {"groups octal", [] { State::setGroupSize(8, 1); }, 27, {1}},
        {"groups binary", [] { State::setGroupSize(2, 4); }, 28, {4}},
        {"groups radix 36", [] { State::setGroupSize(36, 9); }, 29, {9}},
        {"groups radix 3", [] { State::setGroupSize(3, 7); }, 29, {7}},
        {"per state", [] { State::setPerState(2); }, 30, {2}},
        {"full display", [] { State::setFullDisplay(2); }, 31, {2}},
        {"saved count", [] { State::setSavedCount(2); }, 32, {2}},
        {"prefix level", [] { State::setPrefixLevel(2); }, 33, {2}},
        {"pending prefix", [] { State::setPendingPrefix(-3); }, 34, {0xFD}},
        {"simplify", [] { State::setSimplifyUnits(0); }, 36, {0}},
        {"warn overflow", [] { State::setWarnOverflow(0); }, 37, {0}},
        {"inverse trig", [] { State::setInvTrigUnits(1); }, 38, {1}},
        {"ask clear", [] { State::setAskClear(1); }, 39, {1}},
        {"stack size", [] { State::setStackSizeField(0x0120); }, 44, {0x20, 0x01}},
        {"entry length", [] { State::setEntryLength(-1); }, 48, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"stack top", [] { State::setStackTop(0x0A0B0C0D); }, 52, {0x0D, 0x0C, 0x0B, 0x0A}},
        {"user button 0",
         [] { State::setUserButton(0, 0x11223344); },
         76,
         {0x44, 0x33, 0x22, 0x11}},
        {"user button 49", [] { State::setUserButton(49, 7); }, 272, {7, 0, 0, 0}},
        {"entry unit", [] { State::setEntryUnit(0x55); }, 276, {0x55, 0, 0, 0}},
        {"entry char 0", [] { State::setEntryChar(0, '5'); }, 280, {'5'}},
        {"entry char 135", [] { State::setEntryChar(135, 0); }, 415, {0}},
        {"saved 1", [v] { State::setSaved(1, v); }, 440, vb},
        {"memory 9", [v] { State::setMemory(9, v); }, 680, vb},
        {"stack entry 15", [v] { State::setStackEntry(15, v); }, 1160, vb},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestDb t;
        MainDb()->setBytes(0, 8, 1184 - 8, 0xEE);
        std::vector<uint8_t> expect = MainDb()->bytes(0);
        std::copy(r.bytes.begin(), r.bytes.end(), expect.begin() + long(r.offset));
        r.set();
        const std::vector<uint8_t>& got = MainDb()->bytes(0);
        ASSERT_EQ(got.size(), expect.size());
        for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expect[i]) << "offset " << i;
    }
}

TEST(StateRecord, OutOfRangeSlotsWriteNothing) {
    TestDb t;
    const std::vector<uint8_t> before = MainDb()->bytes(0);
    const Value v = Value::Real(1.0);
    State::setUserButton(50, 1);
    State::setUserButton(-1, 1);
    State::setMemory(10, v);
    State::setEntryChar(136, 'x');
    State::setStackEntry(16, v);  // past the record: clipped away
    EXPECT_EQ(MainDb()->bytes(0), before);
    EXPECT_EQ(State::userButton(50), NULL_UID);
    EXPECT_FALSE(State::stackEntry(16).isInt());
}

TEST(StateRecord, SavedCountRefreshesTheMenu) {
    TestDb t;
    t.win.menuEnabled.clear();
    State::setSavedCount(2);
    EXPECT_FALSE(t.win.menuEnabled.empty());
}

TEST(StateRecord, ResizeForStackSizes) {
    struct Row {
        int stackSize;
        size_t bytes;
    };
    for (const Row& r : {Row{128, 3872}, Row{4, 896}, Row{32, 1568}, Row{16, 1184}}) {
        SCOPED_TRACE(r.stackSize);
        TestDb t;
        const Value v = Value::Real(9.0);
        State::setStackEntry(3, v);
        ASSERT_TRUE(ResizeStateRecord(r.stackSize));
        EXPECT_EQ(State::recordSize(), r.bytes);
        // The record is still reachable and kept what fits.
        EXPECT_EQ(State::stackEntry(3).real(), 9.0);
        EXPECT_EQ(State::wordSize(), 32);
        State::setStackEntry(r.stackSize - 1, v);
        EXPECT_EQ(State::stackEntry(r.stackSize - 1).real(), 9.0);
    }
}

TEST(StateRecord, StackSizeReadsOnlyTheLowHalf) {
    TestDb t;
    const uint8_t high[2] = {0x34, 0x12};
    State::write(46, high, 2);
    EXPECT_EQ(State::stackSize(), 16);
    State::setStackSizeField(32);
    EXPECT_EQ(State::u32(44), 0x12340020u);
}

TEST(StateRecord, LocateNeedsRecord0) {
    TestDb t;
    ReleaseStateRecord();
    EXPECT_FALSE(StateLocated());
    EXPECT_EQ(State::wordSize(), 0);  // reads without a record give 0
    std::unique_ptr<Database> saved = TakeMainDb();
    SetMainDb(
        std::make_unique<Database>(Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"))));
    EXPECT_FALSE(LocateStateRecord());
    EXPECT_TRUE(t.win.shownText("A database error of type 2 has occurred."));
    SetMainDb(std::move(saved));
    EXPECT_TRUE(LocateStateRecord());
    EXPECT_EQ(State::wordSize(), 32);
}

}  // namespace
}  // namespace kiv
