// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/state.h"

#include "storage/maindb.h"
#include "window/menus.h"
#include "window/messages.h"

namespace kiv {
namespace {

bool g_located = false;

Database* Db() {
    return g_located ? MainDb() : nullptr;
}

}  // namespace

int RadixClass(int radix) {
    switch (radix) {
        case 0:
            return 0;
        case 16:
            return 1;
        case 10:
            return 2;
        case 8:
            return 3;
        case 2:
            return 4;
        default:
            return 5;
    }
}

bool StateLocated() {
    return g_located && MainDb() && MainDb()->count() > 0;
}

void UpdateMenuState() {
    if (!StateLocated()) return;
    ShowMenuState(State::savedCount() != 0, State::radix() == 0);
}

bool LocateStateRecord() {
    Database* db = MainDb();
    if (!db || db->count() == 0) {
        g_located = false;
        DatabaseError('2');
        return false;
    }
    g_located = true;
    return true;
}

void ReleaseStateRecord() {
    g_located = false;
}

bool CreateStateRecord() {
    Database* db = MainDb();
    if (!db) return false;
    const int index = NewAppRecord(so::kNewRecordSize, 1);
    if (index != 0 || !db->resizeRecord(0, so::kNewRecordSize)) {
        // Only an empty database can take the state record as record 0.
        if (index > 0) DeleteByUid(db->uid(index));
        ShowCodedMessage(MSG_NO_MEMORY);
        return false;
    }
    db->setBytes(0, 8, so::kNewRecordSize - 8, 0);
    const bool wasLocated = g_located;
    g_located = true;
    State::setDisplayMode(0);
    State::setWordSize(32);
    State::setSigned(0);
    State::setAngleUnit(1);
    State::setSimplifyUnits(1);
    State::setWarnOverflow(1);
    State::setPrecision(10);
    State::setGroupSize(0, 3);
    State::setGroupSize(2, 8);
    State::setGroupSize(8, 3);
    State::setGroupSize(10, 3);
    State::setGroupSize(16, 4);
    State::setGroupSize(36, 0);
    State::setEntryLength(-1);
    State::setEntryUnit(NULL_UID);
    State::setStackSizeField(16);
    State::setStackTop(-1);
    for (int i = 0; i < so::kMemoryCount; ++i) State::setMemory(i, Value::Real(0.0, NULL_UID));
    for (int i = 0; i < so::kUserSlots; ++i) State::setUserButton(i, NULL_UID);
    g_located = wasLocated;
    return true;
}

uint8_t State::u8(size_t off) {
    return Db() ? Db()->u8(0, off) : 0;
}
int32_t State::i32(size_t off) {
    return Db() ? Db()->i32(0, off) : 0;
}
uint32_t State::u32(size_t off) {
    return Db() ? Db()->u32(0, off) : 0;
}
size_t State::recordSize() {
    return Db() ? Db()->size(0) : 0;
}

void State::write(size_t off, const void* src, size_t len) {
    if (Database* db = Db()) db->writeAt(0, off, src, len);
}

Uid State::userButton(int slot) {
    if (slot < 0 || slot >= so::kUserSlots) return NULL_UID;
    return u32(so::kUserButtons + 4 * size_t(slot));
}

uint8_t State::entryChar(int i) {
    if (i < 0 || size_t(i) >= so::kEntryTextRoom) return 0;
    return u8(so::kEntryText + size_t(i));
}

std::string State::entryText() {
    std::string s;
    for (size_t i = 0; i < so::kEntryTextRoom; ++i) {
        const uint8_t c = u8(so::kEntryText + i);
        if (c == 0) break;
        s.push_back(char(c));
    }
    return s;
}

static Value ValueAt(size_t off) {
    Value v;
    if (Database* db = Db()) {
        const auto& b = db->bytes(0);
        if (off <= b.size() && b.size() - off >= Value::kSize)
            std::memcpy(v.b.data(), b.data() + off, Value::kSize);
    }
    return v;
}

Value State::saved(int slot) {
    return ValueAt(so::kSaved + 24 * size_t(slot & 1));
}
Value State::memory(int i) {
    return (i >= 0 && i < so::kMemoryCount) ? ValueAt(so::kMemories + 24 * size_t(i)) : Value{};
}
Value State::stackEntry(int i) {
    return i >= 0 ? ValueAt(so::kStack + 24 * size_t(i)) : Value{};
}

void State::setSavedCount(uint8_t v) {
    write(so::kSavedCount, &v, 1);
    UpdateMenuState();
}

void State::setStackSizeField(uint16_t v) {
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    write(so::kStackSize, b, 2);
}

void State::setEntryLength(int32_t v) {
    uint8_t b[4];
    PutU32(b, uint32_t(v));
    write(so::kEntryLength, b, 4);
}

void State::setStackTop(int32_t v) {
    uint8_t b[4];
    PutU32(b, uint32_t(v));
    write(so::kStackTop, b, 4);
}

void State::setUserButton(int slot, Uid uid) {
    if (slot < 0 || slot >= so::kUserSlots) return;
    uint8_t b[4];
    PutU32(b, uid);
    write(so::kUserButtons + 4 * size_t(slot), b, 4);
}

void State::setEntryUnit(Uid uid) {
    uint8_t b[4];
    PutU32(b, uid);
    write(so::kEntryUnit, b, 4);
}

void State::setEntryChar(int i, uint8_t c) {
    if (i < 0 || size_t(i) >= so::kEntryTextRoom) return;
    write(so::kEntryText + size_t(i), &c, 1);
}

void State::setSaved(int slot, const Value& v) {
    write(so::kSaved + 24 * size_t(slot & 1), v.b.data(), Value::kSize);
}

void State::setMemory(int i, const Value& v) {
    if (i < 0 || i >= so::kMemoryCount) return;
    write(so::kMemories + 24 * size_t(i), v.b.data(), Value::kSize);
}

void State::setStackEntry(int i, const Value& v) {
    if (i < 0) return;
    write(so::kStack + 24 * size_t(i), v.b.data(), Value::kSize);
}

bool ResizeStateRecord(int stackSize) {
    Database* db = Db();
    if (!db || stackSize < 1) return false;
    return db->resizeRecord(0, StateRecordSize(stackSize));
}

}  // namespace kiv
