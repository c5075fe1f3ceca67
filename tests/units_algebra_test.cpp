// The unit algebra: products, powers, roots, reduction, conversion and
// simplification, each with its scale factor, over the fixture's table.
#include <gtest/gtest.h>

#include <cmath>

#include "storage/maindb.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace kiv {
namespace {

class Algebra : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u = MakeUnitTable();
    void TearDown() override { ExpectOwnershipSound(); }
};

std::string Text(Uid e) {
    return ExpressionText(e);
}
TEST_F(Algebra, KmTimesMWithFactorMergesIntoKmSquared) {
    const Uid km = MakeExpr({{u.m, 3, 1}});
    const Uid m = MakeExpr({{u.m, 0, 1}});
    double f = 1.0;
    const Uid r = Product(km, m, 0, 1, 1, &f);
    EXPECT_EQ(Components(r), (std::vector<Component>{{u.m, 3, 2}}));
    EXPECT_DOUBLE_EQ(f, 0.001);
    const Uid r2 = Product(km, m, 0, 1, 1, nullptr);
    EXPECT_EQ(Components(r2), (std::vector<Component>{{u.m, 3, 1}, {u.m, 0, 1}}));
    EXPECT_EQ(Text(r2), "km*m");
    // The operands are unchanged.
    EXPECT_EQ(Components(km), (std::vector<Component>{{u.m, 3, 1}}));
    EXPECT_EQ(Components(m), (std::vector<Component>{{u.m, 0, 1}}));
    for (Uid e : {km, m, r, r2}) DeleteExpression(e);
}

TEST_F(Algebra, ExponentOverflowShows1330AndKeepsTheComponent) {
    const Uid a = MakeExpr({{u.m, 0, 100}});
    const Uid r = Product(a, a, 0, 1, 1, nullptr);
    EXPECT_TRUE(db.win.shownText("Unit exponent must be between -128 and +127."));
    EXPECT_EQ(Components(r), (std::vector<Component>{{u.m, 0, 100}}));
    EXPECT_EQ(Components(a), (std::vector<Component>{{u.m, 0, 100}}));
    DeleteExpression(r);
    DeleteExpression(a);
}

TEST_F(Algebra, RootsNeedWholeExponents) {
    const Uid m2 = MakeExpr({{u.m, 0, 2}});
    const Uid m3 = MakeExpr({{u.m, 0, 3}});
    const Uid root = Product(NULL_UID, m2, 0, 1, 2, nullptr);
    EXPECT_EQ(Components(root), (std::vector<Component>{{u.m, 0, 1}}));
    EXPECT_TRUE(db.win.messages.empty());
    const Uid bad = Product(NULL_UID, m3, 0, 1, 2, nullptr);
    EXPECT_EQ(bad, NULL_UID);
    EXPECT_TRUE(db.win.shownText("fractional exponent"));
    EXPECT_EQ(Components(m3), (std::vector<Component>{{u.m, 0, 3}}));
    for (Uid e : {m2, m3, root}) DeleteExpression(e);
}

TEST_F(Algebra, QuotientOfLikeUnitsIsNoUnit) {
    const Uid m = MakeExpr({{u.m, 0, 1}});
    EXPECT_EQ(Product(m, m, 0, -1, 1, nullptr), NULL_UID);
    EXPECT_EQ(Product(NULL_UID, NULL_UID, 0, 1, 1, nullptr), NULL_UID);
    DeleteExpression(m);
}

TEST_F(Algebra, PrefixOverrideAppliesToTheFirstComponentOnly) {
    const Uid mps = MakeExpr({{u.m, 0, 1}, {u.s, 0, -1}});
    const Uid r = Product(NULL_UID, mps, 3, 1, 1, nullptr);
    EXPECT_EQ(Text(r), "km/s");
    DeleteExpression(r);
    DeleteExpression(mps);
}

TEST_F(Algebra, ReduceKmPerHour) {
    struct Row {
        const char* name;
        Component km;
    };
    for (const Row& row : {Row{"defined km", {u.km, 0, 1}}, Row{"prefixed m", {u.m, 3, 1}}}) {
        SCOPED_TRACE(row.name);
        const Uid e = MakeExpr({row.km, {u.h, 0, -1}});
        double f = 1.0;
        const Uid r = ReduceToBaseUnits(e, &f);
        EXPECT_EQ(Components(r), (std::vector<Component>{{u.m, 0, 1}, {u.s, 0, -1}}));
        EXPECT_NEAR(f, 1000.0 / 3600.0, 1e-15);
        DeleteExpression(r);
    }
}

TEST_F(Algebra, ReduceOfDimensionlessIsNullWithTheRatio) {
    const Uid e = MakeExpr({{u.km, 0, 1}, {u.ft, 0, -1}});
    double f = 2.0;
    EXPECT_EQ(ReduceToBaseUnits(e, &f), NULL_UID);
    EXPECT_NEAR(f, 2.0 * 1000 / 0.3048, 1e-9);
}

TEST_F(Algebra, ConvertFeetToMetresAndToSeconds) {
    const Uid m = MakeExpr({{u.m, 0, 1}});
    const Uid s = MakeExpr({{u.s, 0, 1}});
    double v = 5.0;
    const Uid r = Convert(MakeExpr({{u.ft, 0, 1}}), m, &v);
    EXPECT_TRUE(ExpressionsEqual(r, m));
    EXPECT_NEAR(v, 5 * 0.3048, 1e-15);
    double w = 1.0;
    const Uid bad = Convert(MakeExpr({{u.ft, 0, 1}}), s, &w);
    EXPECT_FALSE(ExpressionsEqual(bad, s));  // how the caller detects the mismatch
    EXPECT_EQ(Text(bad), "m");               // s times the leftover m/s
    for (Uid e : {m, s, r, bad}) DeleteExpression(e);
}

TEST_F(Algebra, ConvertWithOneSideWithoutUnitReturnsTheFirst) {
    const Uid m = MakeExpr({{u.m, 0, 1}});
    double f = 3.0;
    EXPECT_EQ(Convert(NULL_UID, m, &f), NULL_UID);
    const Uid same = Convert(m, NULL_UID, &f);
    EXPECT_EQ(same, m);
    EXPECT_EQ(f, 3.0);
    DeleteExpression(m);
}

TEST_F(Algebra, SimplifyKeepsJoulePerSecondAndCancelsLikeUnits) {
    double f = 1.0;
    const Uid js = Simplify(MakeExpr({{u.J, 0, 1}, {u.s, 0, -1}}), &f);
    EXPECT_EQ(Text(js), "J/s");
    EXPECT_NEAR(f, 1.0, 1e-15);
    EXPECT_EQ(Simplify(MakeExpr({{u.m, 0, 1}, {u.m, 0, -1}}), &f), NULL_UID);
    double g = 1.0;
    const Uid km2 = Simplify(MakeExpr({{u.km, 0, 1}, {u.m, 0, 1}}), &g);
    double check = g;
    const Uid base = ReduceToBaseUnits(km2, &check);
    EXPECT_EQ(Components(base), (std::vector<Component>{{u.m, 0, 2}}));
    EXPECT_NEAR(check, 1000.0, 1e-9);
    DeleteExpression(js);
    DeleteExpression(base);
}

TEST_F(Algebra, EqualIgnoresOrderButNotPrefixes) {
    const Uid a = MakeExpr({{u.m, 0, 1}, {u.s, 0, -1}});
    const Uid b = MakeExpr({{u.s, 0, -1}, {u.m, 0, 1}});
    const Uid km = MakeExpr({{u.m, 3, 1}});
    const Uid m = MakeExpr({{u.m, 0, 1}});
    EXPECT_TRUE(ExpressionsEqual(a, b));
    EXPECT_FALSE(ExpressionsEqual(km, m));
    EXPECT_FALSE(ExpressionsEqual(a, m));
    EXPECT_FALSE(ExpressionsEqual(NULL_UID, m));
    EXPECT_TRUE(ExpressionsEqual(NULL_UID, NULL_UID));
    for (Uid e : {a, b, km, m}) DeleteExpression(e);
}

TEST_F(Algebra, CopyDuplicateAndCounts) {
    const Uid a = MakeExpr({{u.m, 0, 3}, {u.s, 0, -7}});
    const Uid c = CopyExpression(a);
    EXPECT_NE(c, a);
    EXPECT_EQ(MainDb()->u32(PtrFromUID(c), 4), c);
    EXPECT_TRUE(ExpressionsEqual(a, c));
    EXPECT_EQ(ComponentCount(c), 2);
    EXPECT_EQ(LargestExponent(c), 7);
    EXPECT_EQ(DuplicateExpression(NULL_UID), NULL_UID);
    const Uid empty = CopyExpression(NULL_UID);
    EXPECT_EQ(ComponentCount(empty), 0);
    EXPECT_EQ(Normalise(empty), NULL_UID);
    EXPECT_LT(MainDb()->findByUid(empty), 0);
    DeleteExpression(a);
    DeleteExpression(c);
}

TEST_F(Algebra, RemovingAComponentKeepsTheRecordSize) {
    const Uid e = MakeExpr({{u.m, 0, 1}, {u.s, 0, 1}, {u.kg, 0, 1}});
    const int index = PtrFromUID(e);
    EXPECT_EQ(MainDb()->size(index), 32u);
    MultiplyIn(e, u.m, 0, -1, nullptr);
    EXPECT_EQ(MainDb()->size(PtrFromUID(e)), 32u);
    EXPECT_EQ(Components(e), (std::vector<Component>{{u.s, 0, 1}, {u.kg, 0, 1}}));
    DeleteExpression(e);
}

TEST_F(Algebra, MergeLikeUnitsFoldsPrefixesWithTheFactor) {
    const Uid e = MakeExpr({{u.m, 3, 1}, {u.s, 0, -1}, {u.m, -2, 1}});
    double f = 1.0;
    const Uid r = MergeLikeUnits(e, &f);
    EXPECT_EQ(Components(r), (std::vector<Component>{{u.m, 3, 2}, {u.s, 0, -1}}));
    EXPECT_NEAR(f, 1e-5, 1e-20);
    EXPECT_EQ(MergeLikeUnits(NULL_UID, &f), NULL_UID);
    DeleteExpression(e);
    DeleteExpression(r);
}

}  // namespace
}  // namespace kiv
