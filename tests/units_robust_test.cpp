// Failure paths of the unit algebra and of damaged records: a failure is
// never reported as a result, no scale is lost, nothing is left behind.
#include <gtest/gtest.h>

#include <cmath>

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

class Robust : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u = MakeUnitTable();
    void TearDown() override { ExpectOwnershipSound(); }
};

TEST_F(Robust, ConvertThatCannotBeFormedIsAMismatch) {
    // m^-128 / s^-128 needs the exponent 128: the conversion cannot be
    // computed and must not look like a match with s^-128.
    const Uid b = MakeExpr({{u.s, 0, -128}});
    double f = 7.0;
    const Uid r = Convert(MakeExpr({{u.m, 0, -128}}), b, &f);
    EXPECT_FALSE(ExpressionsEqual(r, b));
    EXPECT_EQ(f, 7.0);
    // The cause once; the caller then reports the mismatch.
    EXPECT_TRUE(db.win.messages.size() == 1 && db.win.shownText("Unit exponent must be between"));
    DeleteExpression(r);
    DeleteExpression(b);
}

TEST_F(Robust, ReductionBeyondTheExponentRangeKeepsTheUnit) {
    const Uid j70 = MakeExpr({{u.J, 0, 70}});  // m^140 in base units
    double f = 2.0;
    const Uid r = ReduceToBaseUnits(j70, &f);
    EXPECT_EQ(r, j70);
    EXPECT_EQ(Components(r), (std::vector<Component>{{u.J, 0, 70}}));
    EXPECT_EQ(f, 2.0);
    EXPECT_TRUE(db.win.shownText("Unit exponent must be between"));
    db.win.clearMessages();
    const Uid s = Simplify(r, &f);
    EXPECT_EQ(Components(s), (std::vector<Component>{{u.J, 0, 70}}));
    EXPECT_EQ(f, 2.0);
    EXPECT_TRUE(db.win.messages.size() == 1 && db.win.shownText("Unit exponent must be between"));
    DeleteExpression(s);
}

TEST_F(Robust, PrefixDifferenceIsNotFoldedToEightBits) {
    const Uid e = MakeExpr({{u.m, 0, 1}});
    double f = 1.0;
    MultiplyIn(e, u.m, 3, 50, &f);  // 50 x 3 = 150 powers of ten
    EXPECT_EQ(Components(e), (std::vector<Component>{{u.m, 0, 51}}));
    EXPECT_NEAR(std::log10(f), 150.0, 1e-9);
    DeleteExpression(e);
}

TEST_F(Robust, DefinitionCycleInADamagedDatabaseEnds) {
    const Uid a = DefineUnit("a", 1, {});
    const Uid b = DefineUnit("b", 2, {{a, 0, 1}});
    // Make a defined through b: a cycle no dialog could create.
    const Uid loop = MakeExpr({{b, 0, 1}});
    MainDb()->writeU32(PtrFromUID(a), 16, loop);
    MainDb()->writeF64(PtrFromUID(a), 8, 1.0);
    const Uid e = MakeExpr({{a, 0, 1}});
    double f = 1.0;
    const Uid r = ReduceToBaseUnits(e, &f);
    EXPECT_EQ(r, e);
    EXPECT_EQ(f, 1.0);
    EXPECT_GT(DefinitionDepth(a), 0);  // ends
    DeleteExpression(r);
}

TEST_F(Robust, CountBeyondTheRecordIsCut) {
    const Uid e = MakeExpr({{u.m, 0, 1}});
    MainDb()->writeU8(PtrFromUID(e), 1, 9);
    EXPECT_EQ(ComponentCount(e), 1);
    EXPECT_EQ(ExpressionText(e), "m");
    MainDb()->writeU8(PtrFromUID(e), 1, 1);
    DeleteExpression(e);
}

TEST_F(Robust, FullDatabaseShows1324AndLeavesTheDefinitionToTheCaller) {
    Database& d = *MainDb();
    const Uid def = MakeExpr({{u.m, 0, 1}});
    d.capacity = uint32_t(d.count());
    EXPECT_EQ(CreateUnit("yd", 0.9144, def, 0), NULL_UID);
    EXPECT_TRUE(db.win.shownText("There is not enough free memory."));
    EXPECT_EQ(NewExpression(), NULL_UID);
    EXPECT_EQ(CopyExpression(def), NULL_UID);
    double f = 1.0;
    // A failed copy inside a product is no result.
    EXPECT_EQ(Product(def, def, 0, 1, 1, &f), NULL_UID);
    d.capacity = Database::kDefaultCapacity;
    EXPECT_EQ(FindUnitByName("yd"), 0);
    DeleteExpression(def);
}

TEST_F(Robust, HoldersOnlyTouchTheirOwnEntries) {
    const Uid m = MakeExpr({{u.m, 0, 1}});
    State::setStackTop(0);
    State::setStackEntry(0, Value::Real(1, m));
    // Above the top: not a stack entry, never stripped.
    State::setStackEntry(1, Value::Real(2, m));
    uint8_t word[16] = {};
    PutU32(word + 8, m);  // an integer whose bytes happen to look like a unit
    State::setMemory(2, Value::Int(word));
    StripUnitFromStack(m);
    DropUnitFromRegisters(m);
    EXPECT_EQ(State::stackEntry(0).unit(), NULL_UID);
    EXPECT_EQ(State::stackEntry(1).unit(), m);
    EXPECT_EQ(State::memory(2).unit(), m);
    State::setStackEntry(1, Value::Real(0, NULL_UID));
    State::setMemory(2, Value::Real(0, NULL_UID));
    DeleteExpression(m);
}

TEST_F(Robust, SimplifyWritesInTheUnitsGiven) {
    double f = 1.0;
    const Uid r = Simplify(MakeExpr({{u.km, 0, 1}, {u.s, 0, 1}, {u.h, 0, -1}}), &f);
    EXPECT_EQ(ExpressionText(r), "km");
    EXPECT_NEAR(f, 1.0 / 3600, 1e-18);
    DeleteExpression(r);
    double g = 3.0;
    const Uid n = Simplify(MakeExpr({{u.N, 0, 1}, {u.m, 0, 1}}), &g);
    EXPECT_EQ(ExpressionText(n), "N*m");
    EXPECT_NEAR(g, 3.0, 1e-15);
    DeleteExpression(n);
}

TEST_F(Robust, LookUpAndExpressionOf) {
    const Uid e = LookUpUnitExpression("km");
    EXPECT_EQ(Components(e), (std::vector<Component>{{u.km, 0, 1}}));
    EXPECT_EQ(LookUpUnitExpression("KM"), NULL_UID);
    const Uid p = ExpressionOf(u.s, -3, -2);
    EXPECT_EQ(ExpressionText(p), "1/ms" + std::string(1, char(0xC2)));
    EXPECT_EQ(ExpressionOf(u.s, 0, 0), NULL_UID);
    DeleteExpression(e);
    DeleteExpression(p);
}

}  // namespace
}  // namespace kiv
