// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/database.h"

#include <algorithm>
#include <atomic>

namespace kiv {

uint16_t GetU16(const std::vector<uint8_t>& b, size_t off) {
    return uint16_t(GetU8(b, off) | (GetU8(b, off + 1) << 8));
}

int32_t GetI32(const std::vector<uint8_t>& b, size_t off) {
    return int32_t(GetU32(b, off));
}

void PutU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

uint64_t TableVersion::Next() {
    static std::atomic<uint64_t> counter{0};
    return ++counter;
}

void Database::changed() {
    watchVersion_.renew();
    if (watched_ == 0) return;
    for (RecordEntry& r : records_) r.watched = false;
    watched_ = 0;
}

Database Database::MakeEmpty(const std::string& name, uint32_t creator, uint32_t type) {
    Database db;
    db.type = type;
    db.creator = creator;
    db.saveOnClose = true;
    db.nextUid = 1;
    db.capacity = kDefaultCapacity;
    db.setCategoryName(0, "Unfiled");
    db.fileName = name + "_pdb";
    return db;
}

int Database::newRecord(size_t size) {
    if (records_.size() >= capacity) return -1;
    // Skip the reserved value so that a real record never looks like "none".
    if (nextUid == NULL_UID) ++nextUid;
    // A wrapped counter would hand out UIDs again: refuse instead. The last
    // UID is never handed out either, since the next UID must stay above
    // every UID for the saved file to load again.
    if (nextUid == 0 || nextUid == UINT32_MAX) return -1;
    RecordEntry e;
    e.uid = nextUid++;
    if (!spare_.empty()) {
        e.data = std::move(spare_.back());
        spare_.pop_back();
    }
    e.data.assign(size, 0);
    records_.push_back(std::move(e));
    if (uidIndexValid_ && !uidIndex_.insert(records_.back().uid, count() - 1))
        uidDuplicates_ = true;
    return count() - 1;
}

void Database::removeRecord(int index) {
    if (!valid(index)) return;
    if (uidDuplicates_)
        uidIndexValid_ = false;
    else if (uidIndexValid_)
        uidIndex_.erase(records_[size_t(index)].uid);
    touchAt(index);
    std::vector<uint8_t>& data = records_[size_t(index)].data;
    if (spare_.size() < kSpareBuffers && data.capacity() <= kSpareBufferBytes)
        spare_.push_back(std::move(data));
    records_.erase(records_.begin() + index);
}

bool Database::resizeRecord(int index, size_t newSize) {
    if (!valid(index)) return false;
    touchAt(index);
    records_[size_t(index)].data.resize(newSize, 0);
    return true;
}

void UidMap::reset(size_t expected) {
    size_t n = 64;
    while (n < 2 * expected) n *= 2;
    slots_.assign(n, Slot{});
    used_ = 0;
}

void UidMap::grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.size() * 2, Slot{});
    used_ = 0;
    for (const Slot& s : old)
        if (s.index >= 0) insert(s.uid, s.index);
}

bool UidMap::insert(Uid uid, int index) {
    if (slots_.empty()) reset(0);
    // At most half full, so that probes stay short.
    if (2 * (used_ + 1) > slots_.size()) grow();
    const size_t mask = slots_.size() - 1;
    for (size_t i = home(uid);; i = (i + 1) & mask) {
        if (slots_[i].index < 0) {
            slots_[i] = {uid, index};
            ++used_;
            return true;
        }
        if (slots_[i].uid == uid) return false;
    }
}

size_t UidMap::slotOf(Uid uid) const {
    if (slots_.empty()) return 0;
    const size_t mask = slots_.size() - 1;
    for (size_t i = home(uid); slots_[i].index >= 0; i = (i + 1) & mask)
        if (slots_[i].uid == uid) return i;
    return slots_.size();
}

int* UidMap::find(Uid uid) {
    const size_t i = slotOf(uid);
    return i < slots_.size() ? &slots_[i].index : nullptr;
}

void UidMap::erase(Uid uid) {
    size_t hole = slotOf(uid);
    if (hole >= slots_.size()) return;
    const size_t mask = slots_.size() - 1;
    // Later entries of the same probe run move into the hole, except those
    // whose home lies cyclically after the hole: moved, they could no longer
    // be reached from their home.
    for (size_t j = (hole + 1) & mask; slots_[j].index >= 0; j = (j + 1) & mask) {
        const size_t h = home(slots_[j].uid);
        const bool stays = hole <= j ? (hole < h && h <= j) : (hole < h || h <= j);
        if (stays) continue;
        slots_[hole] = slots_[j];
        hole = j;
    }
    slots_[hole] = Slot{};
    --used_;
}

void Database::buildUidIndex() const {
    uidIndex_.reset(records_.size() + 16);
    uidDuplicates_ = false;
    for (size_t i = 0; i < records_.size(); ++i)
        if (!uidIndex_.insert(records_[i].uid, int(i))) uidDuplicates_ = true;
    uidIndexValid_ = true;
}

int Database::findByUid(Uid uid) const {
    if (!uidIndexValid_) buildUidIndex();
    if (!uidDuplicates_) {
        int* const remembered = uidIndex_.find(uid);
        if (!remembered) return -1;
        // Records are only appended or removed between rebuilds, so a record
        // never moves up: it sits at its remembered index or below it.
        int i = std::min(*remembered, count() - 1);
        while (i >= 0 && records_[size_t(i)].uid != uid) --i;
        if (i >= 0) {
            *remembered = i;
            return i;
        }
        uidIndexValid_ = false;  // not where it must be: trust the table
    }
    // A damaged table (duplicate UIDs): the plain search keeps "the first
    // record" exact.
    for (size_t i = 0; i < records_.size(); ++i)
        if (records_[i].uid == uid) return int(i);
    return -1;
}

const std::vector<uint8_t> Database::kNoBytes;

void Database::setRecordInfo(int index, const uint32_t* attributes, const Uid* uid) {
    if (!valid(index)) return;
    touchAt(index);
    if (attributes) records_[size_t(index)].attributes = *attributes;
    if (uid) {
        records_[size_t(index)].uid = *uid;
        uidIndexValid_ = false;
    }
}

void Database::sort(
    const std::function<int(const std::vector<uint8_t>&, const std::vector<uint8_t>&)>& compare) {
    std::stable_sort(
        records_.begin(), records_.end(),
        [&](const RecordEntry& a, const RecordEntry& b) { return compare(a.data, b.data) < 0; });
    uidIndexValid_ = false;
    changed();
}

std::string Database::categoryName(int index) const {
    if (index < 0 || index >= kCategories) return {};
    const auto& slot = categories[size_t(index)];
    size_t n = 0;
    while (n < slot.size() && slot[n] != 0) ++n;
    return std::string(slot.data(), n);
}

void Database::setCategoryName(int index, const std::string& name) {
    if (index < 0 || index >= kCategories) return;
    auto& slot = categories[size_t(index)];
    slot.fill(0);
    std::memcpy(slot.data(), name.data(), std::min(name.size(), kCategoryBytes - 1));
}

int Database::addCategory(const std::string& name) {
    for (int i = 0; i < kCategories; ++i) {
        if (categories[size_t(i)][0] == 0) {
            setCategoryName(i, name);
            return i;
        }
    }
    return 255;
}

void Database::deleteCategory(int index) {
    if (index < 0 || index >= kCategories) return;
    categories[size_t(index)].fill(0);
    for (auto& r : records_)
        if ((r.attributes & 0x0F) == uint32_t(index)) r.attributes &= ~0x0Fu;
}

}  // namespace kiv
