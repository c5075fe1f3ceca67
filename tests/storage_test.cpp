#include <gtest/gtest.h>

#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace kiv {
namespace {

TEST(EmptyDatabaseFile, Is276BytesExactly) {
    const Database db = Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"));
    const std::vector<uint8_t> bytes = SerializeDatabase(db);
    ASSERT_EQ(bytes.size(), 276u);
    const uint8_t head[] = {0x61, 0x74, 0x61, 0x44, 0x63, 0x76, 0x69, 0x4B, 1, 0, 0, 0,
                            0xE8, 0x03, 0,    0,    0,    0,    0,    0};
    for (size_t i = 0; i < sizeof head; ++i) EXPECT_EQ(bytes[i], head[i]) << "byte " << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[20])), "Unfiled");
    for (size_t i = 20 + 7; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(StateRecord, NewRecordHasDefaults) {
    TestDb t;
    Database* db = MainDb();
    ASSERT_EQ(db->count(), 1);
    EXPECT_EQ(db->size(0), 1184u);
    EXPECT_EQ(db->uid(0), 1u);
    EXPECT_EQ(CategoryOfRecord(0), 1);
    EXPECT_EQ(State::wordSize(), 32);
    EXPECT_EQ(State::stackSize(), 16);
    EXPECT_EQ(State::stackTop(), -1);
    EXPECT_EQ(State::entryLength(), -1);
    EXPECT_EQ(State::entryUnit(), NULL_UID);
}

}  // namespace
}  // namespace kiv
