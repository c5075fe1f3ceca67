// SPDX-License-Identifier: GPL-3.0-or-later
// Record databases: variable-length byte records addressed by index or by a
// UID that is never reused. The layout of every record is a stored format
// (see storage/FORMAT.md); records are read through the bounds-checked
// accessors below and changed only through writeAt / setBytes / resize.
//
// Contract for callers: an index is valid until the next remove or sort of
// the same database. Never keep a pointer or reference into record bytes
// across any call that can add, remove, resize or sort records.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace kiv {

using Uid = uint32_t;
inline constexpr Uid NULL_UID = 0xFF00FF00u;

// Four-character code as the 32-bit number whose bytes, most significant
// first, are the characters ("Data" == 0x44617461).
constexpr uint32_t FourCC(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

// Little-endian helpers on byte blocks. Out-of-range reads give 0 and
// out-of-range writes are dropped, so a damaged record never reads or writes
// outside its block.
// GetU8, GetU32, ReadU32 and Database::bytes are inline: record reads run
// for every component of every unit operation.
inline uint8_t GetU8(const std::vector<uint8_t>& b, size_t off) {
    return off < b.size() ? b[off] : 0;
}
uint16_t GetU16(const std::vector<uint8_t>& b, size_t off);
inline uint32_t GetU32(const std::vector<uint8_t>& b, size_t off) {
    if (off > b.size() || b.size() - off < 4) return 0;
    return uint32_t(b[off]) | (uint32_t(b[off + 1]) << 8) | (uint32_t(b[off + 2]) << 16) |
           (uint32_t(b[off + 3]) << 24);
}
int32_t GetI32(const std::vector<uint8_t>& b, size_t off);
inline double GetF64(const std::vector<uint8_t>& b, size_t off) {
    double d = 0;
    if (off <= b.size() && b.size() - off >= 8) std::memcpy(&d, b.data() + off, 8);
    return d;
}
void PutU32(uint8_t* p, uint32_t v);
inline uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// UID -> record index, open addressing with linear probing in one flat
// array (no allocation per record). Deletion shifts later entries back, so
// no tombstones build up under the create/delete churn of unit algebra.
class UidMap {
  public:
    void reset(size_t expected);
    bool insert(Uid uid, int index);  // false when the UID is already there
    int* find(Uid uid);               // nullptr when absent
    void erase(Uid uid);

  private:
    struct Slot {
        Uid uid = 0;
        int index = -1;  // -1: empty
    };
    size_t home(Uid uid) const { return size_t((uid * 2654435761u) >> 7) & (slots_.size() - 1); }
    void grow();
    size_t slotOf(Uid uid) const;  // slots_.size() when absent
    std::vector<Slot> slots_;
    size_t used_ = 0;
};

// A version stamp that is never shared: every construction, copy and move
// (of either side) draws a new value, so that a cache keyed by it can never
// mistake one table, or a moved-out one, for another.
class TableVersion {
  public:
    TableVersion() : value_(Next()) {}
    TableVersion(const TableVersion&) : value_(Next()) {}
    TableVersion(TableVersion&& other) noexcept : value_(Next()) { other.renew(); }
    TableVersion& operator=(const TableVersion&) {
        renew();
        return *this;
    }
    TableVersion& operator=(TableVersion&& other) noexcept {
        renew();
        other.renew();
        return *this;
    }
    void renew() { value_ = Next(); }
    uint64_t value() const { return value_; }

  private:
    static uint64_t Next();
    uint64_t value_;
};

struct RecordEntry {
    Uid uid = 0;
    uint32_t attributes = 0;  // low 4 bits: category 0..15
    std::vector<uint8_t> data;
    bool watched = false;  // read by a cache (see Database::watch); never stored
};

class Database {
  public:
    static constexpr uint32_t kDefaultCapacity = 1000;
    static constexpr size_t kCategoryBytes = 16;
    static constexpr int kCategories = 16;

    uint32_t type = 0;
    uint32_t creator = 0;
    bool saveOnClose = false;
    uint32_t nextUid = 1;
    uint32_t capacity = kDefaultCapacity;
    std::array<std::array<char, kCategoryBytes>, kCategories> categories{};
    std::string fileName;

    // A new, empty database: capacity 1000, next UID 1, "Unfiled" in slot 0.
    static Database MakeEmpty(const std::string& name, uint32_t creator, uint32_t type);

    int count() const { return int(records_.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }

    // Appends a zero-filled record of `size` bytes taking the next UID.
    // Returns its index, or -1 when the table is full (count == capacity).
    int newRecord(size_t size);
    void removeRecord(int index);  // ignores an index outside 0..count-1
    // Resizes, keeping min(old, new) bytes and zero-filling the rest.
    bool resizeRecord(int index, size_t newSize);
    // The first record with that UID, or -1. Answered from an index by UID
    // that follows appends and removals and is rebuilt after a sort or a
    // change through mutableTable / setRecordInfo.
    int findByUid(Uid uid) const;

    // Bounds-checked reads; an invalid index reads as empty.
    const std::vector<uint8_t>& bytes(int index) const {
        return valid(index) ? records_[size_t(index)].data : kNoBytes;
    }
    size_t size(int index) const { return bytes(index).size(); }
    uint8_t u8(int index, size_t off) const { return GetU8(bytes(index), off); }
    uint32_t u32(int index, size_t off) const { return GetU32(bytes(index), off); }
    int32_t i32(int index, size_t off) const { return GetI32(bytes(index), off); }
    double f64(int index, size_t off) const { return GetF64(bytes(index), off); }

    // The only ways record data changes. Both clip at the record's end.
    // Inline, as the unit algebra writes a few bytes at a time.
    void writeAt(int index, size_t off, const void* src, size_t len) {
        if (uint8_t* p = writable(index, off, &len)) std::memcpy(p, src, len);
    }
    void setBytes(int index, size_t off, size_t len, uint8_t value) {
        if (uint8_t* p = writable(index, off, &len)) std::memset(p, value, len);
    }
    void writeU8(int index, size_t off, uint8_t v) {
        size_t len = 1;
        if (uint8_t* p = writable(index, off, &len)) *p = v;
    }
    void writeU32(int index, size_t off, uint32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        size_t len = 4;
        if (uint8_t* p = writable(index, off, &len)) std::memcpy(p, b, len);
    }
    void writeI32(int index, size_t off, int32_t v) { writeU32(index, off, uint32_t(v)); }
    void writeF64(int index, size_t off, double v) { writeAt(index, off, &v, 8); }

    Uid uid(int index) const { return valid(index) ? records_[size_t(index)].uid : 0; }
    uint32_t attributes(int index) const {
        return valid(index) ? records_[size_t(index)].attributes : 0;
    }
    void setRecordInfo(int index, const uint32_t* attributes, const Uid* uid);

    // Stable sort of the whole table by comparing record bytes: records that
    // compare equal keep their order, so sorting a sorted table moves nothing.
    void sort(const std::function<int(const std::vector<uint8_t>&, const std::vector<uint8_t>&)>&
                  compare);

    std::string categoryName(int index) const;
    void setCategoryName(int index, const std::string& name);  // cut to 15 chars
    int addCategory(const std::string& name);                  // index or 255
    void deleteCategory(int index);  // empties the slot; its records go to 0

    // Raw table access for the file format and for tests. Taking the
    // mutable table drops the index by UID and moves the watch version on;
    // take it again rather than keep the reference across a findByUid or a
    // lookup through a cache (unit names, reductions).
    const std::vector<RecordEntry>& table() const { return records_; }
    std::vector<RecordEntry>& mutableTable() {
        uidIndexValid_ = false;
        changed();
        return records_;
    }

    // Change tracking for caches derived from some of the records (unit
    // names, reductions to base units). A cache watches the records it read;
    // watchVersion() then stays as long as none of them is written, resized,
    // removed or given another UID, and no sort or mutableTable intervenes.
    // Records the cache did not read (the temporary expressions of the unit
    // algebra, the stack's values) come and go without costing it anything.
    void watch(int index) {
        if (valid(index) && !records_[size_t(index)].watched) {
            records_[size_t(index)].watched = true;
            ++watched_;
        }
    }
    uint64_t watchVersion() const { return watchVersion_.value(); }

  private:
    static const std::vector<uint8_t> kNoBytes;
    void buildUidIndex() const;
    // Where a write of *len bytes at `off` goes, *len cut at the record's
    // end; nullptr when nothing is written.
    uint8_t* writable(int index, size_t off, size_t* len) {
        if (!valid(index)) return nullptr;
        touchAt(index);
        std::vector<uint8_t>& d = records_[size_t(index)].data;
        if (off >= d.size()) return nullptr;
        *len = std::min(*len, d.size() - off);
        return d.data() + off;
    }
    void touchAt(int index) {
        if (records_[size_t(index)].watched) changed();
    }
    void changed();  // a watched record changed: new version, nothing watched

    std::vector<RecordEntry> records_;
    // Buffers of removed records, reused by newRecord: the unit algebra
    // creates and removes short records at key-press rate.
    static constexpr size_t kSpareBuffers = 32, kSpareBufferBytes = 256;
    std::vector<std::vector<uint8_t>> spare_;
    TableVersion watchVersion_;
    int watched_ = 0;  // records with the watched mark
    // UID -> the index its record had when last seen (it can only have moved
    // down since); holds exactly the table's UIDs while uidIndexValid_.
    mutable UidMap uidIndex_;
    mutable bool uidIndexValid_ = false;
    mutable bool uidDuplicates_ = false;
};

}  // namespace kiv
