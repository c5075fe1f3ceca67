// SPDX-License-Identifier: GPL-3.0-or-later
#include "units/unitrec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "storage/holders.h"
#include "storage/maindb.h"
#include "storage/unitfields.h"
#include "units/algebra.h"
#include "units/unittext.h"
#include "window/messages.h"

namespace kiv {
namespace {

// Without a main database every read is empty and every write dropped.
Database& NoDatabase() {
    static Database empty;
    return empty;
}

inline Database& Db() {
    Database* db = MainDb();
    return db ? *db : NoDatabase();
}

uint8_t KindAt(int index) {
    return Db().u8(index, 0);
}

// The stored name: bytes from offset 20 up to the zero or the record's end.
// A view, so that sorting compares names without copying them.
std::string_view NameView(const std::vector<uint8_t>& b) {
    if (b.size() <= uo::kName) return {};
    const char* p = reinterpret_cast<const char*>(b.data()) + uo::kName;
    const void* zero = std::memchr(p, 0, b.size() - uo::kName);
    return {p, zero ? size_t(static_cast<const char*>(zero) - p) : b.size() - uo::kName};
}

std::string NameBytes(const std::vector<uint8_t>& b) {
    return std::string(NameView(b));
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : int(c); };
        const int d = lower((unsigned char)a[i]) - lower((unsigned char)b[i]);
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Rank in the database order: the state record, units, expressions. A rank
// (rather than "p first whenever p is the state record") keeps the
// comparison a strict weak order even for a damaged database.
int Rank(const std::vector<uint8_t>& r) {
    const uint8_t k = GetU8(r, 0);
    if (k < 0x40) return 0;
    return (k & KIND_EXPR) ? 2 : 1;
}

void WriteName(int index, const std::string& name) {
    Db().writeAt(index, uo::kName, name.data(), name.size());
    Db().writeU8(index, uo::kName + name.size(), 0);
}

int DepthOf(Uid unit, int guard) {
    if (guard > 1100) return 0;  // a definition cycle in a damaged file
    const int index = IndexOfUid(unit);
    if (!IsUnitRecord(index)) return 0;
    const Uid def = UnitDefinition(index);
    if (def == NULL_UID) return 0;
    const int di = IndexOfUid(def);
    if (di < 0) return 1;
    int deepest = 0;
    for (const Component& c : ComponentsAt(di))
        deepest = std::max(deepest, DepthOf(c.unit, guard + 1));
    return 1 + deepest;
}

}  // namespace

std::string UnitName(int index) {
    return IsUnitRecord(index) ? NameBytes(Db().bytes(index)) : std::string();
}

bool UnitZeroPoint(int index, double* zero) {
    if (!IsUnitRecord(index)) return false;
    double z = 0;
    if (!StoredZeroPoint(Db().bytes(index), &z) || !std::isfinite(z)) return false;
    *zero = z;
    return true;
}

bool CanHaveZeroPoint(int index) {
    return IsUnitRecord(index) && CanCarryZeroPoint(UnitMagnitude(index), UnitDefinition(index));
}

bool CanCarryZeroPoint(double magnitude, Uid definition) {
    if (!std::isfinite(magnitude) || magnitude == 0 || definition == NULL_UID) return false;
    const int def = IndexOfUid(definition);
    if (def <= 0 || ComponentCountAt(def) != 1) return false;
    const Component c = ComponentsAt(def)[0];
    double zero;
    const int unit = IndexOfUid(c.unit);
    return c.prefix == 0 && c.exponent == 1 && IsUnitRecord(unit) && !UnitZeroPoint(unit, &zero);
}

namespace {

// Replaces unit `index`'s field `tag` with `data` (nullptr removes it);
// other fields stay as they are. False after message 1324.
bool SetUnitField(int index, uint8_t tag, const uint8_t* data, size_t size) {
    if (!IsUnitRecord(index)) return false;
    const std::vector<uint8_t> b = Db().bytes(index);
    const size_t start = UnitFieldsStart(b);
    std::vector<uint8_t> out(b.begin(), b.begin() + std::ptrdiff_t(start));
    WalkUnitFields(b, [&](uint8_t t, size_t off, size_t len) {
        if (t != tag)
            out.insert(out.end(), b.begin() + std::ptrdiff_t(off - 2),
                       b.begin() + std::ptrdiff_t(off + len));
    });
    if (data) {
        out.push_back(tag);
        out.push_back(uint8_t(size));
        out.insert(out.end(), data, data + size);
    }
    if (out == b) return true;
    if (!Db().resizeRecord(index, out.size())) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return false;
    }
    Db().writeAt(index, 0, out.data(), out.size());
    return true;
}

}  // namespace

bool SetUnitZeroPoint(int index, const double* zero) {
    uint8_t bytes[kZeroPointSize];
    if (zero) std::memcpy(bytes, zero, kZeroPointSize);
    return SetUnitField(index, kFieldZeroPoint, zero ? bytes : nullptr, kZeroPointSize);
}

std::string UnitLongName(int index) {
    return IsUnitRecord(index) ? StoredLongName(Db().bytes(index)) : std::string();
}

bool SetUnitLongName(int index, const std::string& longName) {
    const auto* p = reinterpret_cast<const uint8_t*>(longName.data());
    if (!longName.empty() && !ValidLongName(p, longName.size())) return false;
    return SetUnitField(index, kFieldLongName, longName.empty() ? nullptr : p, longName.size());
}

std::vector<Component> ComponentsAt(int index) {
    std::vector<Component> out;
    const size_t n = size_t(ComponentCountAt(index));
    if (n == 0) return out;
    const auto& b = Db().bytes(index);
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t off = eo::kComponents + eo::kComponentSize * i;
        out.push_back({GetU32(b, off), int8_t(GetU8(b, off + 4)), int8_t(GetU8(b, off + 5))});
    }
    return out;
}

namespace {
int g_sortBatches = 0;
bool g_sortPending = false;
}  // namespace

UnitSortBatch::UnitSortBatch() {
    ++g_sortBatches;
}
UnitSortBatch::~UnitSortBatch() {
    if (--g_sortBatches == 0 && g_sortPending) {
        g_sortPending = false;
        SortMainDb();
    }
}

Uid CreateUnit(const std::string& name, double magnitude, Uid definition, int category) {
    const int index = NewAppRecord(name.size() + 21, category);
    if (index < 0) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return NULL_UID;
    }
    Database& db = Db();
    db.writeU8(index, 0, KIND_UNIT);
    db.writeU8(index, 1, 0);
    db.writeF64(index, uo::kMagnitude, magnitude);
    db.writeU32(index, uo::kDefinition, definition);
    WriteName(index, name);
    const Uid uid = db.uid(index);
    if (g_sortBatches > 0)
        g_sortPending = true;
    else
        SortMainDb();
    return uid;
}

int RenameUnit(int index, const std::string& name, int category) {
    // The optional fields move with the name's end.
    std::vector<uint8_t> fields;
    if (IsUnitRecord(index)) {
        const std::vector<uint8_t>& b = Db().bytes(index);
        fields.assign(b.begin() + std::ptrdiff_t(UnitFieldsStart(b)), b.end());
    }
    if (!IsUnitRecord(index) || !Db().resizeRecord(index, name.size() + 21 + fields.size())) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return 1;
    }
    WriteName(index, name);
    if (!fields.empty()) Db().writeAt(index, name.size() + 21, fields.data(), fields.size());
    SetCategoryOfRecord(index, category);
    SortMainDb();
    return 0;
}

namespace {

// Name -> UID of the first unit record with that name; names are read for
// every unit typed, pasted or imported. Every record but the expressions
// is watched, so a change to any of them, or a sort, rebuilds the index.
// Records appended since it was built carry UIDs from `nextUid` on and stay
// at the end of the table (only a sort reorders it); they are searched
// directly.
struct NameIndex {
    const Database* db = nullptr;
    uint64_t version = 0;
    Uid nextUid = 0;
    // Lookups since the table last changed: an import changes it after
    // every few, and a plain search is then cheaper than a new index.
    uint64_t seenVersion = 0;
    int lookups = 0;
    std::unordered_map<std::string, Uid> first;
};

NameIndex g_names;

bool IsNamed(const std::vector<uint8_t>& b, const std::string& name) {
    if (!IsUnitBytes(b)) return false;
    // Compared as bytes: a name may hold letters above 0x7F (a degree sign).
    // The stored name is `name` when its bytes match and a zero or the
    // record's end follows them.
    const size_t n = name.size();
    if (b.size() < uo::kName + n) return false;
    if (std::memcmp(b.data() + uo::kName, name.data(), n) != 0) return false;
    return b.size() == uo::kName + n || b[uo::kName + n] == 0;
}

constexpr int kLookupsBeforeIndex = 8;

// The index, or nullptr while the table changes too often to build one.
const NameIndex* CurrentNames(Database& db) {
    if (g_names.db == &db && g_names.version == db.watchVersion()) return &g_names;
    if (g_names.seenVersion != db.watchVersion()) {
        g_names.seenVersion = db.watchVersion();
        g_names.lookups = 0;
    }
    if (++g_names.lookups < kLookupsBeforeIndex) return nullptr;
    g_names.first.clear();
    const std::vector<RecordEntry>& table = db.table();
    for (size_t i = 1; i < table.size(); ++i) {
        const std::vector<uint8_t>& b = table[i].data;
        if (IsExpressionBytes(b)) continue;
        // Every other record is watched too: one that is not a unit yet (a
        // new record, still zero) could become one.
        db.watch(int(i));
        if (!IsUnitBytes(b)) continue;
        g_names.first.emplace(NameView(b), table[i].uid);  // the first keeps the name
    }
    g_names.db = &db;
    g_names.version = db.watchVersion();
    g_names.nextUid = db.nextUid;
    return &g_names;
}

// Takes the records appended since the index was built or last extended
// into it (they stay at the end of the table until a sort, which builds it
// anew), watched like the others: a list read line by line then finds the
// units of its earlier lines without searching them each time.
void TakeAppended(Database& db) {
    const std::vector<RecordEntry>& table = db.table();
    size_t i = table.size();
    while (i > 1 && table[i - 1].uid >= g_names.nextUid) --i;
    for (; i < table.size(); ++i) {
        const std::vector<uint8_t>& b = table[i].data;
        if (IsExpressionBytes(b)) continue;
        db.watch(int(i));
        if (IsUnitBytes(b)) g_names.first.emplace(NameView(b), table[i].uid);
    }
    g_names.nextUid = db.nextUid;
}

}  // namespace

int FindUnitByName(const std::string& name, Uid* uid) {
    // A stored name ends at its first zero byte, so it never equals a name
    // holding one.
    if (name.find('\0') != std::string::npos) return 0;
    Database& db = Db();
    const NameIndex* names = CurrentNames(db);
    const std::vector<RecordEntry>& table = db.table();
    int index = 0;
    std::unordered_map<std::string, Uid>::const_iterator it;
    if (!names) {
        for (int i = 1; i < db.count() && index == 0; ++i)
            if (IsNamed(table[size_t(i)].data, name)) index = i;
    } else if (it = names->first.find(name); it != names->first.end()) {
        index = db.findByUid(it->second);
    } else if (TakeAppended(db); (it = g_names.first.find(name)) != g_names.first.end()) {
        index = db.findByUid(it->second);
    }
    if (index > 0 && uid) *uid = db.uid(index);
    return index > 0 ? index : 0;
}

RecordCounts CountRecords(int category) {
    RecordCounts c;
    Database& db = Db();
    for (int i = 1; i < db.count(); ++i) {
        if (IsExpressionRecord(i)) {
            ++c.expressions;
        } else if (IsUnitRecord(i)) {
            ++c.unitsTotal;
            if (category == 255 || CategoryOfRecord(i) == category) ++c.unitsInCategory;
        }
    }
    return c;
}

void SetKindBits(int index, uint8_t set, uint8_t clear) {
    Database& db = Db();
    if (!db.valid(index)) {
        DatabaseError('6');
        return;
    }
    if (index == 0) return;  // the state record is never marked
    const uint8_t old = KindAt(index);
    const uint8_t k = uint8_t((old | set) & ~clear);
    if (k != old) db.writeU8(index, 0, k);
}

bool IsMarked(Uid uid) {
    if (uid == NULL_UID) return false;
    const int index = IndexOfUid(uid);
    return index > 0 && (KindAt(index) & KIND_MARK);
}

void PropagateMarks() {
    Database& db = Db();
    std::unordered_set<Uid> marked;
    for (int i = 1; i < db.count(); ++i)
        if (KindAt(i) & KIND_MARK) marked.insert(db.uid(i));
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = 1; i < db.count(); ++i) {
            if (KindAt(i) & KIND_MARK) continue;
            bool mark = false;
            if (IsUnitRecord(i)) {
                mark = marked.count(UnitDefinition(i)) != 0;
            } else if (IsExpressionRecord(i)) {
                for (const Component& c : ComponentsAt(i))
                    if (marked.count(c.unit)) mark = true;
            }
            if (mark) {
                SetKindBits(i, KIND_MARK, 0);
                marked.insert(db.uid(i));
                changed = true;
            }
        }
    }
}

void DeleteMarked() {
    Database& db = Db();
    // Undo must not bring back a removed expression: saved arguments are not
    // stripped (Undo would restore bare numbers), they are forgotten.
    for (int i = 1; i < db.count(); ++i) {
        if ((KindAt(i) & KIND_MARK) && SavedArgumentsUse(db.uid(i))) {
            DeleteSavedArgumentUnits();
            break;
        }
    }
    int i = 1;
    while (i < db.count()) {
        if (!(KindAt(i) & KIND_MARK)) {
            ++i;
            continue;
        }
        const Uid uid = db.uid(i);
        StripUnitFromStack(uid);
        ForgetEntryLineUnit(uid);
        ClearSlotsUsing(uid);
        DropUnitFromRegisters(uid);
        ForgetProcessUnit(uid);
        const Uid def = IsUnitRecord(i) ? UnitDefinition(i) : NULL_UID;
        db.removeRecord(i);
        ForgetIndex(i);
        if (def != NULL_UID) {
            const int di = IndexOfUid(def);
            if (di > 0) {
                db.removeRecord(di);
                ForgetIndex(di);
                if (di < i) --i;
            }
        }
    }
}

bool DeleteUnit(int index) {
    if (!IsUnitRecord(index)) return false;
    const std::string name = UnitName(index);
    if (ShowCodedMessage(MSG_CONFIRM_DELETE, name.c_str()) != 0) return false;
    DeleteSavedArgumentUnits();
    DeleteUnitAndDependents(index);
    return true;
}

void DeleteUnitAndDependents(int index) {
    if (!IsUnitRecord(index)) return;
    SetKindBits(index, KIND_MARK, 0);
    PropagateMarks();
    DeleteMarked();
}

bool RedefineUnit(int index, double magnitude, Uid definition) {
    return RedefineUnit(index, magnitude, definition, ExpressionText(definition));
}

bool RedefineUnit(int index, double magnitude, Uid definition, const std::string& text) {
    if (!IsUnitRecord(index)) return false;
    const std::string name = UnitName(index);
    const Uid old = UnitDefinition(index);
    if (!ExpressionsEqual(old, definition)) {
        ShowCodedMessage(MSG_CANNOT_REDEFINE, name.c_str(), text.c_str());
        return false;
    }
    if (ShowCodedMessage(MSG_REDEFINE, name.c_str(), text.c_str()) != 0) return false;
    Db().writeF64(index, uo::kMagnitude, magnitude);
    Db().writeU32(index, uo::kDefinition, definition);
    // Handing the unit its own definition again must not delete it.
    if (old != definition) DeleteExpression(old);
    return true;
}

int DefinitionDepth(Uid unit) {
    return DepthOf(unit, 0);
}

void SortMainDb() {
    Database* db = MainDb();
    if (db) {
        db->sort([](const std::vector<uint8_t>& p, const std::vector<uint8_t>& q) {
            const int rp = Rank(p), rq = Rank(q);
            if (rp != rq) return rp - rq;
            if (rp != 1) return 0;
            // Names equal but for case (c and C) in one fixed order, so that
            // an exported list read back exports the same.
            const std::string_view a = NameView(p), b = NameView(q);
            const int r = CompareNoCase(a, b);
            return r != 0 ? r : a.compare(b);
        });
    }
    ResetUidCache();
}

}  // namespace kiv
