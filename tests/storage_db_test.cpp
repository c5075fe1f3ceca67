#include <gtest/gtest.h>

#include <vector>

#include "storage/maindb.h"
#include "support/test_db.h"

namespace kiv {
namespace {

// Slots in ring order from the most recently used, and each slot's UID.
std::vector<int> RingOrder() {
    const UidCacheSlot* c = UidCacheSlots();
    std::vector<int> order;
    for (int s = c[0].next; s != 0 && order.size() < 16; s = c[s].next) order.push_back(s);
    return order;
}

// The ring must stay a consistent doubly linked cycle through all 16 slots.
void ExpectRingSound() {
    const UidCacheSlot* c = UidCacheSlots();
    int s = 0, steps = 0;
    do {
        EXPECT_EQ(c[c[s].next].prev, s) << "slot " << s;
        s = c[s].next;
        ++steps;
    } while (s != 0 && steps <= 16);
    EXPECT_EQ(steps, 16);
}

Uid NewRecordUid(size_t size = 8) {
    const int i = NewAppRecord(size, 1);
    EXPECT_GE(i, 0);
    return MainDb()->uid(i);
}

TEST(RecordDatabase, UidsAreNeverReused) {
    TestDb t;
    std::vector<Uid> uids;
    for (int i = 0; i < 7; ++i) uids.push_back(NewRecordUid());
    ASSERT_EQ(uids.back(), 8u);         // state record took UID 1
    ASSERT_TRUE(DeleteByUid(uids[5]));  // UID 7
    ASSERT_TRUE(DeleteByUid(uids[6]));  // UID 8, the latest
    const Uid next = NewRecordUid();
    EXPECT_EQ(next, 9u);
    EXPECT_EQ(MainDb()->findByUid(7), -1);
    // Every record carries its own UID at offset 4.
    const int index = MainDb()->findByUid(next);
    EXPECT_EQ(MainDb()->u32(index, 4), next);
}

TEST(RecordDatabase, NewRecordSkipsNullUidAndRefusesAWrappedCounter) {
    Database db = Database::MakeEmpty("x", FourCC("Kivc"), FourCC("Data"));
    db.nextUid = NULL_UID;
    EXPECT_EQ(db.uid(db.newRecord(4)), NULL_UID + 1);
    db.nextUid = 0xFFFFFFFEu;
    EXPECT_EQ(db.uid(db.newRecord(4)), 0xFFFFFFFEu);
    EXPECT_EQ(db.newRecord(4), -1);  // the last UID is never handed out
    EXPECT_EQ(db.count(), 2);
}

TEST(RecordDatabase, FullTableGivesNoRecord) {
    Database db = Database::MakeEmpty("x", FourCC("Kivc"), FourCC("Data"));
    db.capacity = 2;
    EXPECT_EQ(db.newRecord(4), 0);
    EXPECT_EQ(db.newRecord(4), 1);
    EXPECT_EQ(db.newRecord(4), -1);
    EXPECT_EQ(db.nextUid, 3u);
}

TEST(RecordDatabase, RemovingRecord3Of6ShiftsCachedIndexes) {
    TestDb t;
    std::vector<Uid> uid{MainDb()->uid(0)};
    for (int i = 1; i < 6; ++i) uid.push_back(NewRecordUid());
    ASSERT_EQ(MainDb()->count(), 6);
    for (int i = 0; i < 6; ++i) ASSERT_EQ(IndexOfUid(uid[size_t(i)]), i);

    ASSERT_TRUE(DeleteByUid(uid[3]));
    // The cache answers from its slots; they must have followed the shift.
    const UidCacheSlot* c = UidCacheSlots();
    for (int s = 1; s < 16; ++s) {
        if (c[s].uid == NULL_UID) continue;
        EXPECT_EQ(MainDb()->uid(c[s].index), c[s].uid) << "slot " << s;
    }
    EXPECT_EQ(IndexOfUid(uid[4]), 3);
    EXPECT_EQ(IndexOfUid(uid[5]), 4);
    EXPECT_EQ(IndexOfUid(uid[2]), 2);
    EXPECT_EQ(IndexOfUid(uid[3]), -1);
    EXPECT_FALSE(DeleteByUid(uid[3]));
    EXPECT_EQ(MainDb()->count(), 5);
    ExpectRingSound();
}

TEST(UidCache, ResetGivesTheRingInSlotOrder) {
    TestDb t;
    NewRecordUid();
    ResetUidCache();
    const std::vector<int> expect{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(RingOrder(), expect);
    EXPECT_EQ(UidCacheSlots()[0].prev, 15);
    for (int s = 0; s < 16; ++s) EXPECT_EQ(UidCacheSlots()[s].uid, NULL_UID);
}

TEST(UidCache, LookupsMoveToFrontAndFillFromTheLeastRecentlyUsed) {
    TestDb t;
    const Uid a = NewRecordUid(), b = NewRecordUid(), c = NewRecordUid();
    ResetUidCache();
    IndexOfUid(a);  // takes slot 15 (LRU), then front
    IndexOfUid(b);  // takes slot 14
    IndexOfUid(c);  // takes slot 13
    std::vector<int> order = RingOrder();
    ASSERT_EQ(order.size(), 15u);
    EXPECT_EQ((std::vector<int>{order[0], order[1], order[2]}), (std::vector<int>{13, 14, 15}));
    IndexOfUid(a);  // a hit: slot 15 to the front, no new slot used
    order = RingOrder();
    EXPECT_EQ((std::vector<int>{order[0], order[1], order[2]}), (std::vector<int>{15, 13, 14}));
    EXPECT_EQ(UidCacheSlots()[0].prev, 12);
    ExpectRingSound();
}

TEST(UidCache, RemovedRecordsSlotBecomesLeastRecentlyUsed) {
    TestDb t;
    const Uid a = NewRecordUid(), b = NewRecordUid(), c = NewRecordUid();
    ResetUidCache();
    IndexOfUid(a);
    IndexOfUid(b);
    IndexOfUid(c);
    const int slotOfB = 14;
    ASSERT_EQ(UidCacheSlots()[slotOfB].uid, b);
    ASSERT_TRUE(DeleteByUid(b));
    EXPECT_EQ(UidCacheSlots()[slotOfB].uid, NULL_UID);
    EXPECT_EQ(UidCacheSlots()[0].prev, slotOfB);
    EXPECT_EQ(RingOrder().back(), slotOfB);
    // c moved down from index 3 to 2, a stayed at 1.
    EXPECT_EQ(UidCacheSlots()[13].index, 2);
    EXPECT_EQ(UidCacheSlots()[15].index, 1);
    // The emptied slot is the one the next new entry takes.
    const Uid d = NewRecordUid();
    EXPECT_EQ(UidCacheSlots()[slotOfB].uid, d);
    EXPECT_EQ(RingOrder().front(), slotOfB);
    ExpectRingSound();
}

TEST(UidCache, MoreThanFifteenUidsEvictTheOldest) {
    TestDb t;
    std::vector<Uid> uids;
    for (int i = 0; i < 20; ++i) uids.push_back(NewRecordUid());
    ResetUidCache();
    for (Uid u : uids) IndexOfUid(u);
    int cached = 0;
    for (int s = 1; s < 16; ++s) cached += UidCacheSlots()[s].uid != NULL_UID;
    EXPECT_EQ(cached, 15);
    // The first five were evicted, yet still resolve by search.
    for (size_t i = 0; i < uids.size(); ++i) EXPECT_EQ(IndexOfUid(uids[i]), int(i) + 1);
    ExpectRingSound();
}

TEST(UidCache, SortThenResetResolvesEveryUidToItsNewIndex) {
    TestDb t;
    std::vector<Uid> uids;
    for (uint8_t k : {5, 3, 9, 1, 7}) {
        const int i = NewAppRecord(9, 1);
        MainDb()->writeU8(i, 0, 0x40);
        MainDb()->writeU8(i, 8, k);
        uids.push_back(MainDb()->uid(i));
    }
    for (Uid u : uids) IndexOfUid(u);
    MainDb()->sort([](const std::vector<uint8_t>& x, const std::vector<uint8_t>& y) {
        if (x[0] != y[0]) return int(x[0]) - int(y[0]);
        return int(x[8]) - int(y[8]);
    });
    ResetUidCache();
    for (Uid u : uids) {
        const int i = IndexOfUid(u);
        ASSERT_GE(i, 0);
        EXPECT_EQ(MainDb()->uid(i), u);
    }
    EXPECT_EQ(MainDb()->u8(0, 0), 0);  // the state record sorts first
    for (int i = 1; i < 5; ++i) EXPECT_LT(MainDb()->u8(i, 8), MainDb()->u8(i + 1, 8));
}

TEST(RecordDatabase, ResizeKeepsTheCommonPartAndZeroFills) {
    TestDb t;
    const int i = NewAppRecord(16, 1);
    for (size_t k = 8; k < 16; ++k) MainDb()->writeU8(i, k, uint8_t(0xA0 + k));
    const std::vector<uint8_t> before = MainDb()->bytes(i);
    ASSERT_TRUE(MainDb()->resizeRecord(i, 24));
    std::vector<uint8_t> grown = before;
    grown.resize(24, 0);
    EXPECT_EQ(MainDb()->bytes(i), grown);
    MainDb()->setBytes(i, 16, 8, 0x55);
    ASSERT_TRUE(MainDb()->resizeRecord(i, 16));
    EXPECT_EQ(MainDb()->bytes(i), before);
    EXPECT_FALSE(MainDb()->resizeRecord(MainDb()->count(), 8));
}

TEST(RecordDatabase, WritesClipAtTheRecordEnd) {
    TestDb t;
    const int i = NewAppRecord(8, 1);
    const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
    MainDb()->writeAt(i, 5, src, 6);
    EXPECT_EQ(MainDb()->size(i), 8u);
    EXPECT_EQ(MainDb()->u8(i, 7), 3);
    MainDb()->setBytes(i, 100, 4, 0xFF);
    EXPECT_EQ(MainDb()->u32(i, 6), 0u);  // reads past the end give 0
    EXPECT_EQ(MainDb()->size(i), 8u);
}

TEST(Categories, AddUsesTheFirstFreeSlotAnd255WhenFull) {
    Database db = Database::MakeEmpty("x", FourCC("Kivc"), FourCC("Data"));
    EXPECT_EQ(db.categoryName(0), "Unfiled");
    for (int i = 1; i < 16; ++i) EXPECT_EQ(db.addCategory("c" + std::to_string(i)), i);
    EXPECT_EQ(db.addCategory("extra"), 255);
    db.deleteCategory(4);
    EXPECT_EQ(db.addCategory("again"), 4);
    EXPECT_EQ(db.categoryName(4), "again");
    db.setCategoryName(2, "a-name-longer-than-15");
    EXPECT_EQ(db.categoryName(2), "a-name-longer-t");
}

TEST(Categories, DeleteMovesItsRecordsToUnfiled) {
    TestDb t;
    Database* db = MainDb();
    ASSERT_EQ(db->addCategory("Length"), 1);  // state record is in 1 as well
    for (int i = 2; i < 6; ++i) db->addCategory("k" + std::to_string(i));
    const int in5 = NewAppRecord(8, 5), in3 = NewAppRecord(8, 3), also5 = NewAppRecord(8, 5);
    const uint32_t high = 0xA0u | 5u;  // bits above the category are kept
    db->setRecordInfo(also5, &high, nullptr);
    db->deleteCategory(5);
    EXPECT_EQ(db->categoryName(5), "");
    EXPECT_EQ(CategoryOfRecord(in5), 0);
    EXPECT_EQ(db->attributes(also5), 0xA0u);
    EXPECT_EQ(CategoryOfRecord(in3), 3);
    EXPECT_EQ(CategoryOfRecord(0), 1);
}

TEST(PtrFromUid, NullUidShowsTheAlertAndTouchesNothing) {
    TestDb t;
    const Uid a = NewRecordUid();
    IndexOfUid(a);
    std::vector<UidCacheSlot> cacheBefore(UidCacheSlots(), UidCacheSlots() + 16);
    const auto tableBefore = MainDb()->table();
    EXPECT_EQ(PtrFromUID(NULL_UID), -1);
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0].caption, "Alert");
    EXPECT_EQ(t.win.messages[0].text, "Alert 1300");
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(UidCacheSlots()[s].uid, cacheBefore[size_t(s)].uid);
        EXPECT_EQ(UidCacheSlots()[s].next, cacheBefore[size_t(s)].next);
    }
    ASSERT_EQ(MainDb()->table().size(), tableBefore.size());
    for (size_t i = 0; i < tableBefore.size(); ++i)
        EXPECT_EQ(MainDb()->table()[i].data, tableBefore[i].data);
    // Empty slots hold NULL_UID: it must not resolve through them either.
    EXPECT_EQ(IndexOfUid(NULL_UID), -1);
    EXPECT_TRUE(DeleteByUid(NULL_UID));
    EXPECT_EQ(MainDb()->count(), 2);
}

TEST(PtrFromUid, UnknownUidShowsDatabaseError3) {
    TestDb t;
    EXPECT_EQ(PtrFromUID(4242), -1);
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0].caption, "Error");
    EXPECT_EQ(t.win.messages[0].text,
              "A database error of type 3 has occurred.  It may be necessary to uninstall and "
              "reinstall Kiv.");
    const Uid a = NewRecordUid();
    t.win.clearMessages();
    EXPECT_EQ(PtrFromUID(a), 1);
    EXPECT_TRUE(t.win.messages.empty());
}

TEST(MainDatabase, SetCategoryKeepsOtherAttributeBits) {
    TestDb t;
    const int i = NewAppRecord(8, 2);
    const uint32_t attr = 0x1230u | 2u;
    MainDb()->setRecordInfo(i, &attr, nullptr);
    EXPECT_EQ(SetCategoryOfRecord(i, 7), MainDb()->uid(i));
    EXPECT_EQ(MainDb()->attributes(i), 0x1237u);
    EXPECT_EQ(SetCategoryOfRecord(99, 7), NULL_UID);
}

}  // namespace
}  // namespace kiv
