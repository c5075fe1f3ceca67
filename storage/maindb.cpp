// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/maindb.h"

#include "window/messages.h"

namespace kiv {
namespace {

std::unique_ptr<Database> g_main;

// The UID cache, one array per field so that a lookup or an index shift is
// one pass over 16 values. Slot 0 is the head of the ring.
Uid g_uid[16];
int32_t g_index[16];
uint8_t g_next[16], g_prev[16];

void Unlink(int s) {
    g_next[g_prev[s]] = g_next[s];
    g_prev[g_next[s]] = g_prev[s];
}

// Inserts slot s directly after slot `after`.
void InsertAfter(int s, int after) {
    const int nxt = g_next[after];
    g_prev[s] = uint8_t(after);
    g_next[s] = uint8_t(nxt);
    g_next[after] = uint8_t(s);
    g_prev[nxt] = uint8_t(s);
}

void MoveToFront(int s) {
    if (g_next[0] == s) return;
    Unlink(s);
    InsertAfter(s, 0);
}

// The slot (1..15) holding `uid`, or 0. Slot 0 never holds one.
int SlotOf(Uid uid) {
    int found = 0;
    for (int s = 15; s >= 1; --s)
        if (g_uid[s] == uid) found = s;
    return found;
}

}  // namespace

namespace detail {
Database* g_mainDb = nullptr;
}

void SetMainDb(std::unique_ptr<Database> db) {
    g_main = std::move(db);
    detail::g_mainDb = g_main.get();
    ResetUidCache();
}

std::unique_ptr<Database> TakeMainDb() {
    ResetUidCache();
    detail::g_mainDb = nullptr;
    return std::move(g_main);
}

void DatabaseError(char code) {
    const char text[2] = {code, 0};
    ShowCodedMessage(MSG_DB_ERROR, text);
}

int NewAppRecord(size_t size, int category) {
    Database* db = MainDb();
    if (!db) return -1;
    const int index = db->newRecord(size);
    if (index < 0) return -1;
    SetCategoryOfRecord(index, category);
    db->writeU32(index, 4, db->uid(index));
    RememberUid(db->uid(index), index);
    return index;
}

int CategoryOfRecord(int index) {
    Database* db = MainDb();
    return db ? int(db->attributes(index) & 0x0F) : 0;
}

Uid SetCategoryOfRecord(int index, int category) {
    Database* db = MainDb();
    if (!db || !db->valid(index)) return NULL_UID;
    const uint32_t attr = (db->attributes(index) & ~0x0Fu) | (uint32_t(category) & 0x0F);
    db->setRecordInfo(index, &attr, nullptr);
    return db->uid(index);
}

void ResetUidCache() {
    for (int i = 0; i < 16; ++i) {
        g_uid[i] = NULL_UID;
        g_index[i] = 0;
        g_next[i] = uint8_t(i + 1);
        g_prev[i] = uint8_t(i - 1);
    }
    g_prev[0] = 15;
    g_next[15] = 0;
}

int IndexOfUid(Uid uid) {
    // Empty slots hold NULL_UID; it must never match one of them.
    if (uid == NULL_UID) return -1;
    Database* db = MainDb();
    if (const int s = SlotOf(uid); s != 0) {
        // A slot that no longer names its record is dropped, never trusted.
        if (db && db->uid(g_index[s]) == uid) {
            MoveToFront(s);
            return g_index[s];
        }
        g_uid[s] = NULL_UID;
    }
    if (!db) return -1;
    const int index = db->findByUid(uid);
    if (index < 0) return -1;
    RememberUid(uid, index);
    return index;
}

void RememberUid(Uid uid, int index) {
    const int s = g_prev[0];
    g_uid[s] = uid;
    g_index[s] = index;
    MoveToFront(s);
}

void ForgetIndex(int index) {
    int emptied = -1;
    // Without branches, so that the pass over the slots vectorises.
    for (int s = 1; s < 16; ++s) {
        const bool live = g_uid[s] != NULL_UID;
        const bool gone = live & (g_index[s] == index);
        g_index[s] -= int(live & (g_index[s] > index));
        g_uid[s] = gone ? NULL_UID : g_uid[s];
        emptied = gone ? s : emptied;
    }
    if (emptied >= 0 && g_prev[0] != emptied) {
        Unlink(emptied);
        InsertAfter(emptied, g_prev[0]);
    }
}

const UidCacheSlot* UidCacheSlots() {
    static UidCacheSlot view[16];
    for (int s = 0; s < 16; ++s) view[s] = {g_uid[s], g_index[s], g_next[s], g_prev[s]};
    return view;
}

int PtrFromUID(Uid uid) {
    if (uid == NULL_UID) {
        ShowCodedMessage(MSG_INTERNAL, "PtrFromUID: NULL_UID!");
        return -1;
    }
    const int index = IndexOfUid(uid);
    if (index < 0) {
        DatabaseError('3');
        return -1;
    }
    Database* db = MainDb();
    if (!db || !db->valid(index)) {
        DatabaseError('4');
        return -1;
    }
    return index;
}

bool DeleteByUid(Uid uid) {
    if (uid == NULL_UID) return true;
    const int index = IndexOfUid(uid);
    if (index < 0) return false;
    MainDb()->removeRecord(index);
    ForgetIndex(index);
    return true;
}

}  // namespace kiv
