// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/dbfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "storage/state.h"
#include "storage/unitfields.h"

namespace kiv {
namespace {

constexpr size_t kHeader = 20;
constexpr size_t kCategoryBlock = 256;
constexpr int kMinStack = 4, kMaxStack = 128;

void Put(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t b[4];
    PutU32(b, v);
    out.insert(out.end(), b, b + 4);
}

bool RawWriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

FileOps g_ops = DefaultFileOps();

// A state record must hold its stack; fields outside their ranges would make
// every later operation misbehave, so such a file is not taken.
bool StateRecordSound(const RecordEntry& r, std::string* why) {
    const auto& d = r.data;
    if (d.size() < so::kStack) {
        if (why) *why = "state record shorter than its fixed part";
        return false;
    }
    if (d[0] >= 0x40) {
        if (why) *why = "record 0 is not a state record";
        return false;
    }
    const int n = int(GetU32(d, so::kStackSize) & 0xFFFF);
    if (n < kMinStack || n > kMaxStack) {
        if (why) *why = "stack size out of range";
        return false;
    }
    if (d.size() < StateRecordSize(n)) {
        if (why) *why = "state record shorter than its stack size requires";
        return false;
    }
    const int32_t top = GetI32(d, so::kStackTop);
    const int32_t len = GetI32(d, so::kEntryLength);
    if (top < -1 || top >= n || len < -1 || len > 128) {
        if (why) *why = "state record fields out of range";
        return false;
    }
    return true;
}

// Repairs what a damaged file could carry past the checks above and what
// every later operation relies on: records of an unknown kind, records that
// do not carry their own UID, expressions whose count exceeds their size or
// that name no unit, references to missing records, expressions with two
// owners or none, and state fields outside the values the program writes.
// A repair forgets the damaged part (a unit, a value's unit, a setting)
// rather than losing the whole file. A sound database is left as it is.
constexpr uint8_t kKindExpr = 0x40, kKindUnit = 0x80, kKindMark = 0x01;
constexpr size_t kUnitName = 20, kUnitDefinition = 16;

void PutAt(std::vector<uint8_t>& d, size_t off, uint32_t v) {
    if (off + 4 <= d.size()) PutU32(d.data() + off, v);
}

void RepairStateFields(std::vector<uint8_t>& d) {
    auto cap = [&](size_t off, uint8_t hi, uint8_t to) {
        if (d[off] > hi) d[off] = to;
    };
    if (d[so::kRadix] == 1 || d[so::kRadix] > 36) d[so::kRadix] = 0;
    cap(so::kDisplayMode, 3, 0);
    cap(so::kZoom, so::kZoomStepCount - 1, 0);
    const uint8_t ws = d[so::kWordSize];
    if (ws != 8 && ws != 16 && ws != 32 && ws != 64 && ws != 128) d[so::kWordSize] = 32;
    for (size_t off : {so::kSigned, so::kDegrees, so::kAltShift, so::kHypShift, so::kUnitKeypad,
                       so::kPadZeros, so::kOnTop})
        cap(off, 1, 1);
    for (size_t off : {so::kPerState, so::kFullDisplay, so::kSavedCount}) cap(off, 2, 0);
    cap(so::kPrefixLevel, 3, 0);
    const int8_t prefix = int8_t(d[so::kPendingPrefix]);
    if (prefix < -30 || prefix > 30) d[so::kPendingPrefix] = 0;
    // Every value of the stack, Undo and the memories is of the mode's kind
    // and finite; anything else becomes the mode's zero.
    const bool integerMode = d[so::kRadix] != 0;
    auto fixValue = [&](size_t off) {
        uint8_t* v = d.data() + off;
        double x;
        std::memcpy(&x, v + 8, 8);
        const bool ok = integerMode ? v[0] == 1 : v[0] == 0 && std::isfinite(x);
        if (ok) return;
        const uint32_t unit = v[0] == 0 ? ReadU32(v + 16) : NULL_UID;
        std::memset(v, 0, Value::kSize);
        v[0] = integerMode ? 1 : 0;
        if (!integerMode) PutU32(v + 16, unit);
    };
    // An open entry line is its characters up to the first zero, then the
    // cursor and a zero: the display reads the text up to the zero, typing
    // goes on at entryLength, and the two must agree.
    const int32_t len = GetI32(d, so::kEntryLength);
    if (len >= 0) {
        uint8_t* text = d.data() + so::kEntryText;
        const int32_t kept = int32_t(std::find(text, text + len, 0) - text);
        text[kept] = '_';
        text[kept + 1] = 0;
        PutAt(d, so::kEntryLength, uint32_t(kept));
    }
    const int32_t top = GetI32(d, so::kStackTop);
    for (int32_t i = 0; i <= top; ++i) fixValue(so::kStack + Value::kSize * size_t(i));
    for (int i = 0; i < d[so::kSavedCount]; ++i) fixValue(so::kSaved + Value::kSize * size_t(i));
    for (int i = 0; i < so::kMemoryCount; ++i) fixValue(so::kMemories + Value::kSize * size_t(i));
}

// A unit's optional fields: a broken tail is cut, and a zero point stays
// only when it is whole, single, finite and on a unit that can have one
// (a nonzero finite magnitude, a definition of one plain unit to the power 1
// that has no zero point of its own); a long name stays when it is single
// and valid text, cut when too long. Unknown fields are a later build's
// and stay.
void RepairUnitFields(std::vector<RecordEntry>& table,
                      const std::unordered_map<Uid, size_t>& byUid) {
    std::unordered_map<Uid, bool> zeroOn;
    for (size_t i = 1; i < table.size(); ++i) {
        auto& d = table[i].data;
        if (d[0] != kKindUnit) continue;
        const size_t start = UnitFieldsStart(d);
        std::vector<uint8_t> kept;
        bool zero = false, longName = false;
        const size_t end = WalkUnitFields(d, [&](uint8_t tag, size_t off, size_t len) {
            if (tag == kFieldLongName) {
                // Only the first; one too long is cut, one that is no
                // text a list could carry goes.
                if (longName) return;
                size_t n = std::min(len, kMaxLongName);
                if (len > kMaxLongName)
                    while (n > 0 && d[off + n - 1] == ' ') --n;
                if (!ValidLongName(d.data() + off, n)) return;
                longName = true;
                kept.push_back(kFieldLongName);
                kept.push_back(uint8_t(n));
                kept.insert(kept.end(), d.begin() + std::ptrdiff_t(off),
                            d.begin() + std::ptrdiff_t(off + n));
                return;
            }
            if (tag == kFieldZeroPoint) {
                double z = 0;
                if (len == kZeroPointSize) std::memcpy(&z, d.data() + off, 8);
                if (zero || len != kZeroPointSize || !std::isfinite(z)) return;
                zero = true;
            }
            kept.insert(kept.end(), d.begin() + std::ptrdiff_t(off - 2),
                        d.begin() + std::ptrdiff_t(off + len));
        });
        if (end != d.size() || kept.size() != d.size() - start) {
            d.resize(start);
            d.insert(d.end(), kept.begin(), kept.end());
        }
        if (zero) zeroOn[table[i].uid] = true;
    }
    auto canHaveZero = [&](const std::vector<uint8_t>& d) {
        double magnitude;
        std::memcpy(&magnitude, d.data() + 8, 8);
        if (!std::isfinite(magnitude) || magnitude == 0) return false;
        const auto def = byUid.find(GetU32(d, kUnitDefinition));
        if (def == byUid.end()) return false;
        const auto& e = table[def->second].data;
        if (e[0] != kKindExpr || e[1] != 1 || e.size() < 16) return false;
        const Uid unit = ReadU32(e.data() + 8);
        const auto u = byUid.find(unit);
        return e[12] == 0 && e[13] == 1 && u != byUid.end() &&
               table[u->second].data[0] == kKindUnit && !zeroOn.count(unit);
    };
    for (size_t i = 1; i < table.size(); ++i) {
        auto& d = table[i].data;
        if (d[0] != kKindUnit || !zeroOn.count(table[i].uid) || canHaveZero(d)) continue;
        const size_t start = UnitFieldsStart(d);
        std::vector<uint8_t> kept;
        WalkUnitFields(d, [&](uint8_t tag, size_t off, size_t len) {
            if (tag != kFieldZeroPoint)
                kept.insert(kept.end(), d.begin() + std::ptrdiff_t(off - 2),
                            d.begin() + std::ptrdiff_t(off + len));
        });
        d.resize(start);
        d.insert(d.end(), kept.begin(), kept.end());
    }
}

}  // namespace

void RepairMainDatabase(Database& db) {
    auto& table = db.mutableTable();
    if (table.empty() || !StateRecordSound(table[0], nullptr)) return;
    // Unknown kinds and records too short for their kind go; a deletion mark
    // is never saved, so one found here is dropped.
    for (size_t i = table.size(); i-- > 1;) {
        auto& d = table[i].data;
        const uint8_t kind = d.empty() ? 0 : uint8_t(d[0] & ~kKindMark);
        const size_t least = kind == kKindUnit ? kUnitName + 1 : 8;
        if ((kind != kKindExpr && kind != kKindUnit) || d.size() < least) {
            table.erase(table.begin() + std::ptrdiff_t(i));
            continue;
        }
        d[0] = kind;
    }
    for (auto& r : table) PutAt(r.data, 4, r.uid);
    std::unordered_map<Uid, size_t> byUid;
    for (size_t i = 0; i < table.size(); ++i) byUid[table[i].uid] = i;
    auto kindOf = [&](Uid uid) -> uint8_t {
        const auto it = byUid.find(uid);
        return it == byUid.end() ? 0 : table[it->second].data[0];
    };
    // Components: only those naming a unit with a nonzero exponent stay.
    for (size_t i = 1; i < table.size(); ++i) {
        auto& d = table[i].data;
        if (d[0] != kKindExpr) continue;
        const size_t n = std::min<size_t>(d[1], (d.size() - 8) / 8);
        size_t kept = 0;
        for (size_t c = 0; c < n; ++c) {
            const uint8_t* comp = d.data() + 8 + 8 * c;
            if (kindOf(ReadU32(comp)) != kKindUnit || comp[5] == 0) continue;
            if (kept != c) std::memmove(d.data() + 8 + 8 * kept, comp, 8);
            ++kept;
        }
        d[1] = uint8_t(kept);
    }
    // Each expression has exactly one owner; a second claim or a claim on a
    // record that is no expression is cleared.
    std::unordered_map<Uid, bool> owned;
    auto claim = [&](std::vector<uint8_t>& d, size_t off) {
        const Uid u = GetU32(d, off);
        if (u == NULL_UID) return;
        if (kindOf(u) != kKindExpr || owned[u]) {
            PutAt(d, off, NULL_UID);
            return;
        }
        owned[u] = true;
    };
    for (size_t i = 1; i < table.size(); ++i) {
        auto& d = table[i].data;
        if (d[0] != kKindUnit) continue;
        if (std::find(d.begin() + kUnitName, d.end(), 0) == d.end()) d.back() = 0;
        claim(d, kUnitDefinition);
    }
    RepairUnitFields(table, byUid);
    auto& st = table[0].data;
    // The record holds exactly its stack; bytes past it are never read.
    st.resize(StateRecordSize(int(GetU32(st, so::kStackSize) & 0xFFFF)));
    RepairStateFields(st);
    if (st[so::kRadix] == 0) {
        const int32_t top = GetI32(st, so::kStackTop);
        for (int32_t i = 0; i <= top; ++i) claim(st, so::kStack + Value::kSize * size_t(i) + 16);
        for (int i = 0; i < st[so::kSavedCount]; ++i)
            claim(st, so::kSaved + Value::kSize * size_t(i) + 16);
        for (int i = 0; i < so::kMemoryCount; ++i)
            claim(st, so::kMemories + Value::kSize * size_t(i) + 16);
    }
    claim(st, so::kEntryUnit);
    for (int i = 0; i < so::kUserSlots; ++i) claim(st, so::kUserButtons + 4 * size_t(i));
    // Expressions nobody owns would stay in the file for ever.
    for (size_t i = table.size(); i-- > 1;)
        if (table[i].data[0] == kKindExpr && !owned[table[i].uid])
            table.erase(table.begin() + std::ptrdiff_t(i));
}

std::vector<uint8_t> SerializeDatabase(const Database& db) {
    std::vector<uint8_t> out;
    Put(out, db.type);
    Put(out, db.creator);
    Put(out, db.nextUid);
    Put(out, db.capacity);
    Put(out, uint32_t(db.count()));
    for (const auto& r : db.table()) {
        Put(out, r.uid);
        Put(out, r.attributes);
        Put(out, uint32_t(r.data.size()));
        out.insert(out.end(), r.data.begin(), r.data.end());
    }
    for (const auto& c : db.categories) out.insert(out.end(), c.begin(), c.end());
    return out;
}

LoadStatus ParseDatabase(const uint8_t* data, size_t size, uint32_t type, uint32_t creator,
                         Database* out, std::string* why) {
    if (size < 8 || ReadU32(data) != type || ReadU32(data + 4) != creator)
        return LoadStatus::NotThisDatabase;
    auto fail = [&](const char* w) {
        if (why) *why = w;
        return LoadStatus::Damaged;
    };
    if (size < kHeader + kCategoryBlock) return fail("file ends early");
    Database db;
    db.type = type;
    db.creator = creator;
    db.nextUid = ReadU32(data + 8);
    db.capacity = ReadU32(data + 12);
    const uint32_t n = ReadU32(data + 16);
    if (n > db.capacity) return fail("record count above capacity");
    // Every record needs at least its 12-byte header.
    if (n > (size - kHeader - kCategoryBlock) / 12) return fail("file ends early");
    size_t pos = kHeader;
    const size_t recordsEnd = size - kCategoryBlock;
    auto& table = db.mutableTable();
    table.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        if (recordsEnd - pos < 12) return fail("file ends early");
        RecordEntry r;
        r.uid = ReadU32(data + pos);
        r.attributes = ReadU32(data + pos + 4);
        const uint32_t s = ReadU32(data + pos + 8);
        pos += 12;
        if (s > recordsEnd - pos) return fail("record runs past the end");
        r.data.assign(data + pos, data + pos + s);
        pos += s;
        table.push_back(std::move(r));
    }
    if (pos != recordsEnd) return fail("trailing bytes");
    // UIDs must name one record each and lie below the next UID, or new
    // records would reuse them and references would resolve to the wrong one.
    std::vector<Uid> uids;
    uids.reserve(table.size());
    for (const auto& r : table) {
        if (r.uid == 0 || r.uid == NULL_UID || r.uid >= db.nextUid)
            return fail("record UID out of range");
        uids.push_back(r.uid);
    }
    std::sort(uids.begin(), uids.end());
    if (std::adjacent_find(uids.begin(), uids.end()) != uids.end())
        return fail("duplicate record UID");
    for (size_t c = 0; c < Database::kCategories; ++c)
        std::copy_n(data + recordsEnd + 16 * c, 16, db.categories[c].begin());
    if (!table.empty() && !StateRecordSound(table[0], why)) return LoadStatus::Damaged;
    db.saveOnClose = true;
    *out = std::move(db);
    return LoadStatus::Ok;
}

FileOps DefaultFileOps() {
    FileOps ops;
    ops.writeAll = RawWriteAll;
    ops.sync = [](int fd) { return ::fsync(fd) == 0; };
    ops.rename = [](const std::string& a, const std::string& b) {
        return ::rename(a.c_str(), b.c_str()) == 0;
    };
    return ops;
}

void SetFileOps(const FileOps& ops) {
    g_ops = ops;
}
const FileOps& CurrentFileOps() {
    return g_ops;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out->clear();
    uint8_t buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out->insert(out->end(), buf, buf + n);
    }
    ::close(fd);
    return true;
}

bool WriteFileAtomically(const std::string& folder, const std::string& name,
                         const std::vector<uint8_t>& data) {
    const std::string target = folder + "/" + name;
    std::string tmp = folder + "/." + name + ".XXXXXX";
    std::vector<char> tmpl(tmp.begin(), tmp.end());
    tmpl.push_back(0);
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    tmp = tmpl.data();
    ::fchmod(fd, 0644);
    bool ok = g_ops.writeAll(fd, data.data(), data.size()) && g_ops.sync(fd);
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = g_ops.rename(tmp, target);
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool SaveDatabase(const Database& db, const std::string& folder) {
    if (!db.saveOnClose || db.fileName.empty() || folder.empty()) return false;
    return WriteFileAtomically(folder, db.fileName, SerializeDatabase(db));
}

std::string SetFileAside(const std::string& path) {
    std::string aside = path + ".damaged";
    struct stat sb;
    for (int k = 1; ::lstat(aside.c_str(), &sb) == 0; ++k) {
        if (k > 999) return {};
        aside = path + ".damaged." + std::to_string(k);
    }
    return ::rename(path.c_str(), aside.c_str()) == 0 ? aside : std::string();
}

OpenResult OpenByTypeAndCreator(const std::string& folder, uint32_t type, uint32_t creator) {
    OpenResult result;
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, "_pdb") == 0) names.push_back(n);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const auto& n : names) {
        const std::string path = folder + "/" + n;
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(path, &bytes)) continue;
        auto db = std::make_unique<Database>();
        const LoadStatus st = ParseDatabase(bytes.data(), bytes.size(), type, creator, db.get());
        if (st == LoadStatus::Ok) {
            db->fileName = n;
            result.db = std::move(db);
            return result;
        }
        if (st == LoadStatus::Damaged) {
            const std::string aside = SetFileAside(path);
            if (!aside.empty()) result.damagedFiles.push_back(aside);
        }
    }
    return result;
}

}  // namespace kiv
