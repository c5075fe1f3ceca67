// SPDX-License-Identifier: GPL-3.0-or-later
// The main database (the one the program keeps open) and its access
// operations: records that carry their own UID at offset 4, UID resolution
// through a 16-slot most-recently-used cache, and the numbered database
// errors (message 1327).
#pragma once

#include <memory>
#include <string>

#include "storage/database.h"

namespace kiv {

namespace detail {
extern Database* g_mainDb;  // mirrors the owner in maindb.cpp
}

// The open main database, or nullptr before start-up / after shut-down.
// Inline: every record access of the unit algebra goes through it.
inline Database* MainDb() {
    return detail::g_mainDb;
}
// Installs a database as the main database (storage start-up and tests);
// resets the UID cache. Passing nullptr closes nothing: see CloseMainDb.
void SetMainDb(std::unique_ptr<Database> db);
std::unique_ptr<Database> TakeMainDb();

// Shows message 1327 with the one-character type code.
void DatabaseError(char code);

// Appends a zero-filled record of `size` bytes in `category`, writes its UID
// at offset 4 and remembers it in the cache. Returns the index or -1.
int NewAppRecord(size_t size, int category);

int CategoryOfRecord(int index);
Uid SetCategoryOfRecord(int index, int category);

// The UID cache. Slot 0 is the head of a ring through slots 1..15.
struct UidCacheSlot {
    Uid uid = NULL_UID;
    int32_t index = 0;
    uint8_t next = 0;
    uint8_t prev = 0;
};
void ResetUidCache();
// Index of the record with `uid`, or -1 (no message).
int IndexOfUid(Uid uid);
void RememberUid(Uid uid, int index);
// Adjusts the cache after the record at `index` was removed.
void ForgetIndex(int index);
const UidCacheSlot* UidCacheSlots();  // a snapshot of the 16 slots, for tests

// Resolves a UID to a record index. NULL_UID shows the internal alert
// (message 1300); an unknown UID shows database error "3". Returns -1 then.
int PtrFromUID(Uid uid);

// Removes the record with `uid` and updates the cache; NULL_UID does nothing.
// Returns false when the UID does not resolve.
bool DeleteByUid(Uid uid);

}  // namespace kiv
