// Arithmetic with units on the stack: sums in X's unit, products and
// quotients through the unit algebra, conversion and base units, and the
// error exits that leave the stack as it was with Undo disabled.
#include <gtest/gtest.h>

#include <vector>

#include "app/core/messages.h"
#include "engine/arith.h"
#include "engine/stack.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

using Comps = std::vector<Component>;

class EngineArith : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u = MakeUnitTable();
    void TearDown() override { ExpectOwnershipSound(); }

    void PushQ(double d, std::initializer_list<Component> unit = {}) {
        ASSERT_TRUE(Push(Value::Real(d, MakeExpr(unit))));
    }
    Value Level(int n) {
        Value v;
        EXPECT_TRUE(Peek(n, &v));
        return v;
    }
    Comps UnitAt(int n) { return Components(Level(n).unit()); }
    bool Shown(int id) {
        const std::string text = ComposeCodedMessage(id).text;
        for (const auto& m : db.win.messages)
            if (m.text == text) return true;
        return false;
    }
};

TEST_F(EngineArith, SumTakesTheUnitOfX) {
    const struct {
        const char* name;
        double y;
        bool yFeet;
        double x;
        bool subtract;
        double want;
    } rows[] = {
        {"1 ft + 12 in", 1, true, 12, false, 24},
        {"12 in + 1 ft", 12, false, 1, false, 2},
        {"1 ft - 6 in", 1, true, 6, true, 6},
        {"6 in - 1 ft", 6, false, 1, true, -0.5},
    };
    for (const auto& r : rows) {
        const Uid yUnit = r.yFeet ? u.ft : u.in, xUnit = r.yFeet ? u.in : u.ft;
        PushQ(r.y, {{yUnit, 0, 1}});
        PushQ(r.x, {{xUnit, 0, 1}});
        r.subtract ? Subtract() : Add();
        ASSERT_EQ(Depth(), 1) << r.name;
        EXPECT_NEAR(Level(0).real(), r.want, 1e-12) << r.name;
        EXPECT_EQ(UnitAt(0), (Comps{{xUnit, 0, 1}})) << r.name;
        EXPECT_EQ(State::savedCount(), 2) << r.name;
        Drop();
    }
}

TEST_F(EngineArith, SumsOfIncompatibleUnitsAreRefused) {
    const struct {
        const char* name;
        std::initializer_list<Component> y, x;
    } rows[] = {
        {"5 + 3 m", {}, {{u.m, 0, 1}}},
        {"5 m + 3", {{u.m, 0, 1}}, {}},
        {"5 m + 3 s", {{u.m, 0, 1}}, {{u.s, 0, 1}}},
    };
    for (const auto& r : rows) {
        PushQ(5, r.y);
        PushQ(3, r.x);
        const Uid yUnit = Level(1).unit(), xUnit = Level(0).unit();
        db.win.clearMessages();
        Add();
        EXPECT_TRUE(Shown(MSG_UNIT_MISMATCH)) << r.name;
        ASSERT_EQ(Depth(), 2) << r.name;
        EXPECT_EQ(Level(1).real(), 5) << r.name;
        EXPECT_EQ(Level(1).unit(), yUnit) << r.name;
        EXPECT_EQ(Level(0).real(), 3) << r.name;
        EXPECT_EQ(Level(0).unit(), xUnit) << r.name;
        EXPECT_EQ(State::savedCount(), 0) << r.name;
        ClearStack();
    }
}

TEST_F(EngineArith, TooFewArgumentsLeaveTheStack) {
    PushQ(4, {{u.m, 0, 1}});
    for (void (*op)() : {Add, Subtract, Multiply, Divide, ConvertTop}) {
        db.win.clearMessages();
        op();
        EXPECT_TRUE(Shown(MSG_NOT_ENOUGH));
        ASSERT_EQ(Depth(), 1);
        EXPECT_EQ(Level(0).real(), 4);
        EXPECT_EQ(UnitAt(0), (Comps{{u.m, 0, 1}}));
    }
}

TEST_F(EngineArith, DivideByZeroIsRefusedBeforeYIsPopped) {
    PushQ(6, {{u.m, 0, 1}});
    PushQ(0, {{u.s, 0, 1}});
    Divide();
    EXPECT_TRUE(Shown(MSG_DIVIDE_ZERO));
    ASSERT_EQ(Depth(), 2);
    EXPECT_EQ(Level(1).real(), 6);
    EXPECT_EQ(UnitAt(1), (Comps{{u.m, 0, 1}}));
    EXPECT_EQ(Level(0).real(), 0);
    EXPECT_EQ(UnitAt(0), (Comps{{u.s, 0, 1}}));
    EXPECT_EQ(State::savedCount(), 0);
    ClearStack();
    PushQ(0);
    db.win.clearMessages();
    Divide();  // a lone zero: still 1303, not 1302
    EXPECT_TRUE(Shown(MSG_DIVIDE_ZERO));
    EXPECT_EQ(Depth(), 1);
}

TEST_F(EngineArith, ProductsAndQuotientsCombineUnits) {
    State::setSimplifyUnits(0);
    const struct {
        const char* name;
        double y;
        std::initializer_list<Component> yu;
        double x;
        std::initializer_list<Component> xu;
        bool divide;
        double want;
        Comps unit;
    } rows[] = {
        {"2 m x 3 m", 2, {{u.m, 0, 1}}, 3, {{u.m, 0, 1}}, false, 6, {{u.m, 0, 2}}},
        {"2 km x 3 m", 2, {{u.m, 3, 1}}, 3, {{u.m, 0, 1}}, false, 0.006, {{u.m, 3, 2}}},
        {"6 m / 2 s", 6, {{u.m, 0, 1}}, 2, {{u.s, 0, 1}}, true, 3, {{u.m, 0, 1}, {u.s, 0, -1}}},
        {"6 m / 2 m", 6, {{u.m, 0, 1}}, 2, {{u.m, 0, 1}}, true, 3, {}},
        {"6 / 2 s", 6, {}, 2, {{u.s, 0, 1}}, true, 3, {{u.s, 0, -1}}},
        {"2 x 3", 2, {}, 3, {}, false, 6, {}},
    };
    for (const auto& r : rows) {
        PushQ(r.y, r.yu);
        PushQ(r.x, r.xu);
        r.divide ? Divide() : Multiply();
        ASSERT_EQ(Depth(), 1) << r.name;
        EXPECT_NEAR(Level(0).real(), r.want, 1e-15) << r.name;
        EXPECT_EQ(UnitAt(0), r.unit) << r.name;
        Drop();
    }
}

TEST_F(EngineArith, ExponentOverflowKeepsTheComponentAsInY) {
    PushQ(2, {{u.m, 0, 100}});
    PushQ(3, {{u.m, 0, 100}});
    Multiply();
    EXPECT_TRUE(Shown(MSG_EXPONENT_RANGE));
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Level(0).real(), 6);
    EXPECT_EQ(UnitAt(0), (Comps{{u.m, 0, 100}}));
}

TEST_F(EngineArith, SimplifyKeepsNamedUnitsAndTheQuantity) {
    State::setSimplifyUnits(1);
    PushQ(10, {{u.J, 0, 1}});
    PushQ(2, {{u.s, 0, 1}});
    Divide();
    EXPECT_DOUBLE_EQ(Level(0).real(), 5);
    EXPECT_EQ(UnitAt(0), (Comps{{u.J, 0, 1}, {u.s, 0, -1}}));
    Drop();
    PushQ(2, {{u.m, 3, 1}});
    PushQ(3, {{u.m, 0, 1}});
    Multiply();
    EXPECT_DOUBLE_EQ(Level(0).real(), 0.006);
    EXPECT_EQ(UnitAt(0), (Comps{{u.m, 3, 2}}));
}

TEST_F(EngineArith, UndoRestoresBothArgumentsWithTheirUnits) {
    for (void (*op)() : {Add, Multiply, Divide, ConvertTop}) {
        PushQ(1, {{u.ft, 0, 1}});
        PushQ(12, {{u.in, 0, 1}});
        op();
        ASSERT_EQ(Depth(), 1);
        Undo();
        ASSERT_EQ(Depth(), 2);
        EXPECT_EQ(Level(1).real(), 1);
        EXPECT_EQ(UnitAt(1), (Comps{{u.ft, 0, 1}}));
        EXPECT_EQ(Level(0).real(), 12);
        EXPECT_EQ(UnitAt(0), (Comps{{u.in, 0, 1}}));
        ClearStack();
    }
}

TEST_F(EngineArith, ChangeSignKeepsTheUnit) {
    PushQ(2.5, {{u.kg, 0, 1}});
    ChangeSign();
    EXPECT_EQ(Level(0).real(), -2.5);
    EXPECT_EQ(UnitAt(0), (Comps{{u.kg, 0, 1}}));
    Undo();
    EXPECT_EQ(Level(0).real(), 2.5);
}

TEST_F(EngineArith, ConvertExpressesYInXsUnit) {
    PushQ(3, {{u.ft, 0, 1}});
    PushQ(1, {{u.m, 0, 1}});
    ConvertTop();
    ASSERT_EQ(Depth(), 1);
    EXPECT_NEAR(Level(0).real(), 0.9144, 1e-15);
    EXPECT_EQ(UnitAt(0), (Comps{{u.m, 0, 1}}));
    Drop();
    // Different dimensions: no error; X's unit times what is left over.
    PushQ(1, {{u.ft, 0, 1}});
    PushQ(1, {{u.s, 0, 1}});
    ConvertTop();
    EXPECT_TRUE(db.win.messages.empty());
    EXPECT_NEAR(Level(0).real(), 0.3048, 1e-15);
    EXPECT_EQ(UnitAt(0), (Comps{{u.m, 0, 1}}));
}

TEST_F(EngineArith, MakePrimitiveReducesToBaseUnits) {
    const struct {
        const char* name;
        double x;
        std::initializer_list<Component> unit;
        double want;
        Comps base;
    } rows[] = {
        {"2 km (unit)", 2, {{u.km, 0, 1}}, 2000, {{u.m, 0, 1}}},
        {"1 J", 1, {{u.J, 0, 1}}, 1, {{u.kg, 0, 1}, {u.m, 0, 2}, {u.s, 0, -2}}},
        {"1 ha", 1, {{u.ha, 0, 1}}, 10000, {{u.m, 0, 2}}},
        {"1 h", 1, {{u.h, 0, 1}}, 3600, {{u.s, 0, 1}}},
        {"7", 7, {}, 7, {}},
    };
    for (const auto& r : rows) {
        PushQ(r.x, r.unit);
        MakePrimitive();
        EXPECT_NEAR(Level(0).real(), r.want, 1e-9) << r.name;
        EXPECT_EQ(UnitAt(0), r.base) << r.name;
        Drop();
    }
}

TEST_F(EngineArith, MakePrimitiveDoesNothingInIntegerMode) {
    State::setRadix(16);
    const uint8_t w[16] = {5};
    ASSERT_TRUE(Push(Value::Int(w)));
    MakePrimitive();
    EXPECT_EQ(State::savedCount(), 0);
    ASSERT_TRUE(Level(0).isInt());
    EXPECT_EQ(Level(0).word()[0], 5);
}

}  // namespace
}  // namespace kiv
