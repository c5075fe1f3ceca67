// The ownership checker itself: each kind of fault is reported, a sound
// database gives an empty report.
#include <gtest/gtest.h>

#include "storage/maindb.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/holders.h"

namespace kiv {
namespace {

bool Mentions(const std::string& report, const std::string& what) {
    return report.find(what) != std::string::npos;
}

class Ownership : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u = MakeUnitTable();
};

TEST_F(Ownership, EveryOwnerKindCounts) {
    static Uid held = NULL_UID;
    RegisterProcessUnit(&held, "held definition");
    State::setStackTop(0);
    State::setStackEntry(0, Value::Real(1, MakeExpr({{u.m, 0, 1}})));
    State::setSaved(0, Value::Real(1, MakeExpr({{u.m, 0, 1}})));
    State::setSavedCount(1);
    State::setMemory(9, Value::Real(1, MakeExpr({{u.m, 0, 1}})));
    State::setEntryUnit(MakeExpr({{u.m, 0, 1}}));
    State::setUserButton(49, MakeExpr({{u.m, 0, 1}}));
    held = MakeExpr({{u.m, 0, 1}});
    EXPECT_EQ(OwnershipReport(), "");
    DeleteProcessWideUnits();
    EXPECT_EQ(held, NULL_UID);
}

TEST_F(Ownership, Leak) {
    const Uid e = MakeExpr({{u.m, 0, 1}});
    EXPECT_TRUE(Mentions(OwnershipReport(), "leak"));
    DeleteExpression(e);
    EXPECT_EQ(OwnershipReport(), "");
}

TEST_F(Ownership, SharedExpression) {
    const Uid e = MakeExpr({{u.m, 0, 1}});
    State::setUserButton(1, e);
    State::setMemory(0, Value::Real(1, e));
    const std::string r = OwnershipReport();
    EXPECT_TRUE(Mentions(r, "shared")) << r;
    State::setMemory(0, Value::Real(1, NULL_UID));
    EXPECT_EQ(OwnershipReport(), "");
}

TEST_F(Ownership, DanglingAndWrongKind) {
    State::setUserButton(2, 77777);
    EXPECT_TRUE(Mentions(OwnershipReport(), "missing record 77777"));
    State::setUserButton(2, u.m);  // a unit record is no expression
    EXPECT_TRUE(Mentions(OwnershipReport(), "no expression"));
    State::setUserButton(2, NULL_UID);
    // Entries above the top and saved slots beyond the count are not owners.
    State::setStackEntry(3, Value::Real(1, 77777));
    State::setSaved(1, Value::Real(1, 77777));
    EXPECT_EQ(OwnershipReport(), "");
}

TEST_F(Ownership, ComponentNamingAMissingUnitAndLeftMarks) {
    const Uid e = MakeExpr({{u.m, 0, 1}});
    State::setEntryUnit(e);
    MainDb()->writeU32(PtrFromUID(e), 8, 88888);
    EXPECT_TRUE(Mentions(OwnershipReport(), "missing unit 88888"));
    MainDb()->writeU32(PtrFromUID(e), 8, u.m);
    SetKindBits(PtrFromUID(u.s), KIND_MARK, 0);
    EXPECT_TRUE(Mentions(OwnershipReport(), "left marked"));
    SetKindBits(PtrFromUID(u.s), 0, KIND_MARK);
    EXPECT_EQ(OwnershipReport(), "");
}

}  // namespace
}  // namespace kiv
