// Unit records: layouts, database order, lookup, deletion with everything
// that depends on a unit, redefinition and definition depth.
#include <gtest/gtest.h>

#include "storage/maindb.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/holders.h"
#include "units/unittext.h"

namespace kiv {
namespace {

class Table : public ::testing::Test {
  protected:
    TestDb db;
    void TearDown() override { ExpectOwnershipSound(); }
};

TEST_F(Table, UnitRecordLayout) {
    const Uid m = DefineUnit("m", 1, {});
    const Uid def = MakeExpr({{m, 0, 1}});
    const Uid ten = CreateUnit("abcdefghij", 0.25, def, 3);
    const int i = PtrFromUID(ten);
    const Database& d = *MainDb();
    EXPECT_EQ(d.size(i), 31u);
    EXPECT_EQ(d.u8(i, 0), 0x80);
    EXPECT_EQ(d.u8(i, 1), 0);
    EXPECT_EQ(d.u32(i, 4), ten);
    EXPECT_EQ(d.f64(i, 8), 0.25);
    EXPECT_EQ(d.u32(i, 16), def);
    EXPECT_EQ(d.u8(i, 30), 0);
    EXPECT_EQ(UnitName(i), "abcdefghij");
    EXPECT_EQ(CategoryOfRecord(i), 3);
    const int e = PtrFromUID(def);
    EXPECT_EQ(d.u8(e, 0), 0x40);
    EXPECT_EQ(d.u8(e, 1), 1);
    EXPECT_EQ(d.u32(e, 8), m);
    EXPECT_EQ(int8_t(d.u8(e, 13)), 1);
    EXPECT_EQ(CategoryOfRecord(e), 1);
}

TEST_F(Table, SortOrderAndCaseSensitiveLookup) {
    const Uid stray = NewExpression();  // expressions sort last
    DefineUnit("mile", 1, {});
    const Uid foot = DefineUnit("Foot", 1, {});
    DefineUnit("inch", 1, {});
    const Database& d = *MainDb();
    EXPECT_EQ(d.u8(0, 0), 0);  // the state record stays first
    EXPECT_EQ(UnitName(1), "Foot");
    EXPECT_EQ(UnitName(2), "inch");
    EXPECT_EQ(UnitName(3), "mile");
    EXPECT_EQ(d.uid(4), stray);
    EXPECT_EQ(FindUnitByName("foot"), 0);
    Uid uid = NULL_UID;
    EXPECT_EQ(FindUnitByName("Foot", &uid), 1);
    EXPECT_EQ(uid, foot);
    EXPECT_EQ(FindUnitByName("Foo"), 0);
    EXPECT_EQ(FindUnitByName("Foots"), 0);
    // The cache was reset by the sort: every UID resolves to its new index.
    EXPECT_EQ(PtrFromUID(stray), 4);
    DeleteExpression(stray);
}

TEST_F(Table, RenameResortsAndKeepsDefinition) {
    const Uid m = DefineUnit("m", 1, {});
    const Uid b = DefineUnit("b", 2, {{m, 0, 1}});
    const Uid def = UnitDefinition(PtrFromUID(b));
    EXPECT_EQ(RenameUnit(PtrFromUID(b), "zed", 4), 0);
    const int i = PtrFromUID(b);
    EXPECT_EQ(i, 2);
    EXPECT_EQ(UnitName(i), "zed");
    EXPECT_EQ(MainDb()->size(i), 24u);
    EXPECT_EQ(UnitDefinition(i), def);
    EXPECT_EQ(UnitMagnitude(i), 2.0);
    EXPECT_EQ(CategoryOfRecord(i), 4);
}

TEST_F(Table, CountRecords) {
    DefineUnit("a", 1, {}, 2);
    const Uid b = DefineUnit("b", 1, {}, 3);
    DefineUnit("c", 1, {{b, 0, 1}}, 3);
    const Uid e = NewExpression();
    const RecordCounts c3 = CountRecords(3);
    EXPECT_EQ(c3.expressions, 2);
    EXPECT_EQ(c3.unitsInCategory, 2);
    EXPECT_EQ(c3.unitsTotal, 3);
    EXPECT_EQ(CountRecords(255).unitsInCategory, 3);
    DeleteExpression(e);
}

TEST_F(Table, DeletingMRemovesDependentsAndStripsHolders) {
    const UnitTable u = MakeUnitTable();
    // Holders of expressions that mention m (directly, via km, via ha).
    State::setStackTop(2);
    State::setStackEntry(0, Value::Real(1.5, MakeExpr({{u.m, 0, 1}})));
    State::setStackEntry(1, Value::Real(2.5, MakeExpr({{u.s, 0, 1}})));
    State::setStackEntry(2, Value::Real(3.5, MakeExpr({{u.ha, 0, 1}})));
    State::setMemory(3, Value::Real(4.5, MakeExpr({{u.km, 0, 1}, {u.s, 0, -1}})));
    State::setMemory(4, Value::Real(5.5, MakeExpr({{u.kg, 0, 1}})));
    State::setEntryUnit(MakeExpr({{u.ha, 0, 2}}));
    State::setPendingPrefix(3);
    State::setPerState(1);
    State::setUserButton(7, MakeExpr({{u.ft, 0, 1}}));
    State::setUserButton(8, MakeExpr({{u.min, 0, 1}}));
    static Uid chosen = NULL_UID;
    RegisterProcessUnit(&chosen, "chosen unit");
    chosen = MakeExpr({{u.J, 0, 1}});
    ExpectOwnershipSound();

    db.win.answers.push_back(Answer::Yes);
    ASSERT_TRUE(DeleteUnit(FindUnitByName("m")));
    EXPECT_TRUE(db.win.shownText("Delete that unit (m)"));

    for (const char* gone : {"m", "km", "ft", "in", "J", "W", "N", "ha"})
        EXPECT_EQ(FindUnitByName(gone), 0) << gone;
    for (const char* kept : {"s", "kg", "A", "min", "h"})
        EXPECT_NE(FindUnitByName(kept), 0) << kept;
    EXPECT_EQ(State::stackEntry(0).real(), 1.5);
    EXPECT_EQ(State::stackEntry(0).unit(), NULL_UID);
    EXPECT_NE(State::stackEntry(1).unit(), NULL_UID);
    EXPECT_EQ(State::stackEntry(2).real(), 3.5);
    EXPECT_EQ(State::stackEntry(2).unit(), NULL_UID);
    EXPECT_EQ(State::memory(3).real(), 4.5);
    EXPECT_EQ(State::memory(3).unit(), NULL_UID);
    EXPECT_NE(State::memory(4).unit(), NULL_UID);
    EXPECT_EQ(State::entryUnit(), NULL_UID);
    EXPECT_EQ(State::pendingPrefix(), 0);
    EXPECT_EQ(State::perState(), 0);
    EXPECT_EQ(State::userButton(7), NULL_UID);
    EXPECT_NE(State::userButton(8), NULL_UID);
    EXPECT_EQ(chosen, NULL_UID);
    // What is left: state, 5 units, the definitions of min and h, and the
    // expressions of stack entry 1, memory 4 and button 8.
    EXPECT_EQ(MainDb()->count(), 1 + 5 + 2 + 3);
    ExpectOwnershipSound();
    DeleteProcessWideUnits();
}

TEST_F(Table, DeletingAnUnusedUnitRemovesExactlyItsTwoRecords) {
    const UnitTable u = MakeUnitTable();
    const int before = MainDb()->count();
    db.win.answers.push_back(Answer::Yes);
    ASSERT_TRUE(DeleteUnit(PtrFromUID(u.W)));
    EXPECT_EQ(MainDb()->count(), before - 2);
    EXPECT_EQ(FindUnitByName("W"), 0);
    EXPECT_NE(FindUnitByName("J"), 0);
    // A base unit has no definition: one record.
    db.win.answers.push_back(Answer::Yes);
    ASSERT_TRUE(DeleteUnit(PtrFromUID(u.A)));
    EXPECT_EQ(MainDb()->count(), before - 3);
}

TEST_F(Table, DeleteUnitAnsweredNoChangesNothing) {
    const UnitTable u = MakeUnitTable();
    State::setStackTop(0);
    State::setStackEntry(0, Value::Real(1, MakeExpr({{u.m, 0, 1}})));
    const int before = MainDb()->count();
    db.win.answers.push_back(Answer::No);
    EXPECT_FALSE(DeleteUnit(PtrFromUID(u.m)));
    EXPECT_EQ(MainDb()->count(), before);
    EXPECT_NE(State::stackEntry(0).unit(), NULL_UID);
}

TEST_F(Table, DeleteForgetsSavedArguments) {
    const UnitTable u = MakeUnitTable();
    State::setSaved(0, Value::Real(1, MakeExpr({{u.s, 0, 1}})));
    State::setSaved(1, Value::Real(2, MakeExpr({{u.km, 0, 1}})));
    State::setSavedCount(2);
    db.win.answers.push_back(Answer::Yes);
    ASSERT_TRUE(DeleteUnit(PtrFromUID(u.A)));
    EXPECT_EQ(State::savedCount(), 0);
}

TEST_F(Table, ImportDeletionForgetsSavedArgumentsThatUseTheUnit) {
    const UnitTable u = MakeUnitTable();
    State::setSaved(0, Value::Real(2, MakeExpr({{u.km, 0, 1}})));
    State::setSavedCount(1);
    DeleteUnitAndDependents(PtrFromUID(u.m));
    EXPECT_EQ(State::savedCount(), 0);  // no Undo can bring back a removed expression
    EXPECT_TRUE(db.win.messages.empty());
}

TEST_F(Table, EntryUnitHookRunsWhenTheEntryUnitGoes) {
    const UnitTable u = MakeUnitTable();
    static int calls = 0;
    calls = 0;
    SetEntryUnitForgottenHook([] { ++calls; });
    State::setEntryUnit(MakeExpr({{u.s, 0, 1}}));
    DeleteUnitAndDependents(PtrFromUID(u.m));
    EXPECT_EQ(calls, 0);
    DeleteUnitAndDependents(PtrFromUID(u.s));
    EXPECT_EQ(calls, 1);
    SetEntryUnitForgottenHook(nullptr);
}

TEST_F(Table, RedefineChangesOnlyTheMagnitude) {
    const UnitTable u = MakeUnitTable();
    const int ft = PtrFromUID(u.ft);
    const Uid old = UnitDefinition(ft);
    const Uid inches = MakeExpr({{u.in, 0, 1}});
    EXPECT_FALSE(RedefineUnit(ft, 12, inches));
    EXPECT_TRUE(db.win.shownText("Canot redefine ft as \"in\""));
    DeleteExpression(inches);

    const Uid metres = MakeExpr({{u.m, 0, 1}});
    db.win.answers.push_back(Answer::No);
    EXPECT_FALSE(RedefineUnit(PtrFromUID(u.ft), 0.305, metres));
    db.win.answers.push_back(Answer::Yes);
    EXPECT_TRUE(RedefineUnit(PtrFromUID(u.ft), 0.305, metres));
    EXPECT_TRUE(db.win.shownText("Redefine \"ft\" as \"m\"?"));
    EXPECT_EQ(UnitMagnitude(PtrFromUID(u.ft)), 0.305);
    EXPECT_EQ(UnitDefinition(PtrFromUID(u.ft)), metres);
    EXPECT_LT(MainDb()->findByUid(old), 0);
    // Giving a unit its own definition again keeps it alive.
    EXPECT_TRUE(RedefineUnit(PtrFromUID(u.ft), 0.3048, metres));
    EXPECT_GE(MainDb()->findByUid(metres), 0);
}

TEST_F(Table, DefinitionDepth) {
    const UnitTable u = MakeUnitTable();
    EXPECT_EQ(DefinitionDepth(u.m), 0);
    EXPECT_EQ(DefinitionDepth(u.km), 1);
    EXPECT_EQ(DefinitionDepth(u.h), 2);
    EXPECT_EQ(DefinitionDepth(u.W), 2);
    EXPECT_EQ(DefinitionDepth(u.ha), 2);
    const Uid none = CreateUnit("one", 1, NewExpression(), 0);
    EXPECT_EQ(DefinitionDepth(none), 1);
}

TEST_F(Table, MarksAndTheStateRecord) {
    const UnitTable u = MakeUnitTable();
    SetKindBits(0, KIND_MARK, 0);
    EXPECT_EQ(MainDb()->u8(0, 0), 0);
    SetKindBits(PtrFromUID(u.km), KIND_MARK, 0);
    PropagateMarks();
    EXPECT_TRUE(IsMarked(u.km));
    EXPECT_TRUE(IsMarked(u.ha));
    EXPECT_FALSE(IsMarked(u.m));
    EXPECT_FALSE(IsMarked(NULL_UID));
    DeleteMarked();
    EXPECT_EQ(FindUnitByName("ha"), 0);
    EXPECT_NE(FindUnitByName("m"), 0);
    SetKindBits(MainDb()->count() + 5, KIND_MARK, 0);
    EXPECT_TRUE(db.win.shownText("A database error of type 6"));
}

}  // namespace
}  // namespace kiv
