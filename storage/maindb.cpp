#include "storage/maindb.h"

#include "app/core/messages.h"

namespace kiv {
namespace {

std::unique_ptr<Database> g_main;
UidCacheSlot g_cache[16];

void Unlink(int s) {
    g_cache[g_cache[s].prev].next = g_cache[s].next;
    g_cache[g_cache[s].next].prev = g_cache[s].prev;
}

// Inserts slot s directly after slot `after`.
void InsertAfter(int s, int after) {
    const int nxt = g_cache[after].next;
    g_cache[s].prev = uint8_t(after);
    g_cache[s].next = uint8_t(nxt);
    g_cache[after].next = uint8_t(s);
    g_cache[nxt].prev = uint8_t(s);
}

void MoveToFront(int s) {
    if (g_cache[0].next == s) return;
    Unlink(s);
    InsertAfter(s, 0);
}

}  // namespace

Database* MainDb() {
    return g_main.get();
}

void SetMainDb(std::unique_ptr<Database> db) {
    g_main = std::move(db);
    ResetUidCache();
}

std::unique_ptr<Database> TakeMainDb() {
    ResetUidCache();
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
        g_cache[i].uid = NULL_UID;
        g_cache[i].index = 0;
        g_cache[i].next = uint8_t(i + 1);
        g_cache[i].prev = uint8_t(i - 1);
    }
    g_cache[0].prev = 15;
    g_cache[15].next = 0;
}

int IndexOfUid(Uid uid) {
    // Empty slots hold NULL_UID; it must never match one of them.
    if (uid == NULL_UID) return -1;
    for (int s = g_cache[0].next; s != 0; s = g_cache[s].next) {
        if (g_cache[s].uid == uid) {
            Database* db = MainDb();
            // A slot that no longer names its record is dropped, never trusted.
            if (!db || db->uid(g_cache[s].index) != uid) {
                g_cache[s].uid = NULL_UID;
                break;
            }
            MoveToFront(s);
            return g_cache[s].index;
        }
    }
    Database* db = MainDb();
    if (!db) return -1;
    const int index = db->findByUid(uid);
    if (index < 0) return -1;
    RememberUid(uid, index);
    return index;
}

void RememberUid(Uid uid, int index) {
    const int s = g_cache[0].prev;
    g_cache[s].uid = uid;
    g_cache[s].index = index;
    MoveToFront(s);
}

void ForgetIndex(int index) {
    int emptied = -1;
    for (int s = 1; s < 16; ++s) {
        if (g_cache[s].uid == NULL_UID) continue;
        if (g_cache[s].index == index) {
            g_cache[s].uid = NULL_UID;
            emptied = s;
        } else if (g_cache[s].index > index) {
            --g_cache[s].index;
        }
    }
    if (emptied >= 0 && g_cache[0].prev != emptied) {
        Unlink(emptied);
        InsertAfter(emptied, g_cache[0].prev);
    }
}

const UidCacheSlot* UidCacheSlots() {
    return g_cache;
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
