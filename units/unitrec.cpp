#include "units/unitrec.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "app/core/messages.h"
#include "storage/maindb.h"
#include "units/algebra.h"
#include "units/holders.h"
#include "units/unittext.h"

namespace kiv {
namespace {

Database& Db() {
    static Database empty;
    Database* db = MainDb();
    return db ? *db : empty;
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
    if (index < 0 || !IsUnitRecord(index)) return 0;
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

bool IsUnitRecord(int index) {
    if (!Db().valid(index)) return false;
    const uint8_t k = KindAt(index);
    return k >= 0x40 && !(k & KIND_EXPR);
}

bool IsExpressionRecord(int index) {
    if (!Db().valid(index)) return false;
    const uint8_t k = KindAt(index);
    return k >= 0x40 && (k & KIND_EXPR);
}

std::string UnitName(int index) {
    return IsUnitRecord(index) ? NameBytes(Db().bytes(index)) : std::string();
}

double UnitMagnitude(int index) {
    return IsUnitRecord(index) ? Db().f64(index, uo::kMagnitude) : 0;
}

Uid UnitDefinition(int index) {
    return IsUnitRecord(index) ? Db().u32(index, uo::kDefinition) : NULL_UID;
}

int ComponentCountAt(int index) {
    if (!IsExpressionRecord(index)) return 0;
    const auto& b = Db().bytes(index);
    const size_t room = b.size() > eo::kComponents ? (b.size() - eo::kComponents) / 8 : 0;
    return int(std::min<size_t>(GetU8(b, eo::kCount), room));
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
    SortMainDb();
    return uid;
}

int RenameUnit(int index, const std::string& name, int category) {
    if (!IsUnitRecord(index) || !Db().resizeRecord(index, name.size() + 21)) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return 1;
    }
    WriteName(index, name);
    SetCategoryOfRecord(index, category);
    SortMainDb();
    return 0;
}

int FindUnitByName(const std::string& name, Uid* uid) {
    // A stored name ends at its first zero byte, so it never equals a name
    // holding one.
    if (name.find('\0') != std::string::npos) return 0;
    // One pass over the table itself: this runs for every unit name read.
    const std::vector<RecordEntry>& table = Db().table();
    for (size_t i = 1; i < table.size(); ++i) {
        const std::vector<uint8_t>& b = table[i].data;
        if (b.empty() || b[0] < 0x40 || (b[0] & KIND_EXPR)) continue;  // not a unit
        // Compared as bytes: a name may hold letters above 0x7F (a degree sign).
        // The stored name is `name` when its bytes match and a zero or the
        // record's end follows them.
        const size_t n = name.size();
        if (b.size() < uo::kName + n) continue;
        if (n > 0 && b[uo::kName] != uint8_t(name[0])) continue;  // most names differ here
        if (std::memcmp(b.data() + uo::kName, name.data(), n) != 0) continue;
        if (b.size() == uo::kName + n || b[uo::kName + n] == 0) {
            if (uid) *uid = table[i].uid;
            return int(i);
        }
    }
    return 0;
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
            return CompareNoCase(NameView(p), NameView(q));
        });
    }
    ResetUidCache();
}

}  // namespace kiv
