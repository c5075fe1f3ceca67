// SPDX-License-Identifier: GPL-3.0-or-later
// Unit records and unit-expression records of the main database (layouts in
// storage/FORMAT.md) and the table-level operations on them.
//
// Every expression record has exactly one owner: a unit's definition, a
// value or slot of the state record, or a process-wide variable
// (storage/holders.h). Indexes returned here are valid until the next create,
// rename, delete or sort.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/database.h"
#include "storage/maindb.h"

namespace kiv {

inline constexpr uint8_t KIND_UNIT = 0x80;
inline constexpr uint8_t KIND_EXPR = 0x40;
inline constexpr uint8_t KIND_MARK = 0x01;

namespace uo {  // unit record offsets
inline constexpr size_t kMagnitude = 8, kDefinition = 16, kName = 20;
}
namespace eo {  // expression record offsets
inline constexpr size_t kCount = 1, kComponents = 8, kComponentSize = 8;
}

struct Component {
    Uid unit = NULL_UID;
    int8_t prefix = 0;
    int8_t exponent = 0;
    bool operator==(const Component&) const = default;
};

// The bytes of record `index` of the main database; empty when there is no
// such record (or no database).
inline const std::vector<uint8_t> kNoRecordBytes;
inline const std::vector<uint8_t>& MainRecordBytes(int index) {
    const Database* db = MainDb();
    return db ? db->bytes(index) : kNoRecordBytes;
}

// The record kind from a record's bytes (the first is the kind).
inline bool IsUnitBytes(const std::vector<uint8_t>& b) {
    return !b.empty() && b[0] >= 0x40 && !(b[0] & KIND_EXPR);
}
inline bool IsExpressionBytes(const std::vector<uint8_t>& b) {
    return !b.empty() && b[0] >= 0x40 && (b[0] & KIND_EXPR);
}

// False for any index that holds no such record, a negative one or the
// state record's included. Inline, like the three readers below: the unit
// algebra asks them for every component it touches.
inline bool IsUnitRecord(int index) {
    return IsUnitBytes(MainRecordBytes(index));
}
inline bool IsExpressionRecord(int index) {
    return IsExpressionBytes(MainRecordBytes(index));
}
std::string UnitName(int index);  // empty for a non-unit record
inline double UnitMagnitude(int index) {
    return IsUnitRecord(index) ? GetF64(MainRecordBytes(index), uo::kMagnitude) : 0;
}
inline Uid UnitDefinition(int index) {
    return IsUnitRecord(index) ? GetU32(MainRecordBytes(index), uo::kDefinition) : NULL_UID;
}
// The zero point of a scale (storage/unitfields.h): true with *zero in
// definition units when unit `index` has a finite one. Start-up's repair
// has removed any that cannot be used.
bool UnitZeroPoint(int index, double* zero);
// Whether unit `index` could carry a zero point: a finite nonzero magnitude
// and a definition of exactly one unit, to the power 1, without a prefix,
// that has no zero point itself.
bool CanHaveZeroPoint(int index);
// The same for a unit about to be made from `magnitude` x `definition`.
bool CanCarryZeroPoint(double magnitude, Uid definition);
// Gives unit `index` a zero point (nullptr removes it); other fields stay.
// False after message 1324.
bool SetUnitZeroPoint(int index, const double* zero);
// The long name of unit `index` (a description such as "furlong
// (international)"); empty when it has none.
std::string UnitLongName(int index);
// Gives unit `index` a long name (empty removes it); other fields stay.
// False for a name that is not valid (storage/unitfields.h) or after message
// 1324.
bool SetUnitLongName(int index, const std::string& longName);

// The components of the expression record at `index` (no UID resolution, no
// message); empty for a non-expression record. A count beyond the record's
// size is cut to the components the record really holds.
std::vector<Component> ComponentsAt(int index);
// The number of components ComponentsAt would return, without copying them.
inline int ComponentCountAt(int index) {
    if (!IsExpressionRecord(index)) return 0;
    const std::vector<uint8_t>& b = MainRecordBytes(index);
    const size_t room = (b.size() - std::min(b.size(), eo::kComponents)) / eo::kComponentSize;
    return int(std::min<size_t>(GetU8(b, eo::kCount), room));
}

// Creates a unit record (the unit takes over `definition`), sorts the
// database and resets the UID cache. NULL_UID after message 1324; the caller
// then still owns `definition`.
Uid CreateUnit(const std::string& name, double magnitude, Uid definition, int category);
// 0 on success, 1 after message 1324. Sorts.
int RenameUnit(int index, const std::string& name, int category);
// Case-sensitive lookup. Returns the index (and UID through `uid`), or 0.
int FindUnitByName(const std::string& name, Uid* uid = nullptr);

struct RecordCounts {
    int expressions = 0;
    int unitsInCategory = 0;
    int unitsTotal = 0;
};
RecordCounts CountRecords(int category);  // 255 counts every category

void SetKindBits(int index, uint8_t set, uint8_t clear);
bool IsMarked(Uid uid);
void PropagateMarks();
// Removes every marked record, clearing references to it outside the
// database first (stack, entry line, user buttons, memories, process-wide
// units). Saved Undo arguments that use a marked record are forgotten, so
// that Undo can never bring back a removed expression.
void DeleteMarked();
// Asks message 1318; on Yes forgets the saved arguments, marks, propagates
// and deletes. Returns true when the unit was deleted.
bool DeleteUnit(int index);
// The deletion steps without the question (unit list import); marks the
// unit, propagates and deletes marked.
void DeleteUnitAndDependents(int index);
// Redefines unit `index` as magnitude x definition (message 1329 when the
// units differ, 1321 to confirm). On true the unit owns `definition` and
// its old definition is deleted; on false the caller still owns it.
bool RedefineUnit(int index, double magnitude, Uid definition);
// The same, with `shownText` as the new definition in both messages (the
// caller's number and unit text rather than the unit text alone).
bool RedefineUnit(int index, double magnitude, Uid definition, const std::string& shownText);
int DefinitionDepth(Uid unit);

// The database order: state record, units by case-insensitive name,
// expressions last; records that compare equal keep their order. Resets
// the UID cache.
void SortMainDb();

// While one lives, CreateUnit leaves each new unit at the end of the table
// and the last one to end sorts once. Since the sort is stable, the order
// is the one a sort after every unit gives; a list of hundreds of units
// reads without sorting the table hundreds of times.
class UnitSortBatch {
  public:
    UnitSortBatch();
    ~UnitSortBatch();
    UnitSortBatch(const UnitSortBatch&) = delete;
    UnitSortBatch& operator=(const UnitSortBatch&) = delete;
};

}  // namespace kiv
