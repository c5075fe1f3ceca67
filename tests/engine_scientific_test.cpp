// Scientific functions: trigonometry with angle units and range reduction,
// inverse and hyperbolic functions, logarithms, and powers and roots that
// carry unit exponents, each with its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "app/core/messages.h"
#include "engine/scientific.h"
#include "engine/stack.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

using Comps = std::vector<Component>;
constexpr double kPi = 3.141592653589793;

class EngineScientific : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u = MakeUnitTable();
    Uid rad = DefineUnit("rad", 1, {});
    Uid adeg = DefineUnit("adeg", 0.017453292519943295, {{rad, 0, 1}});
    void TearDown() override { ExpectOwnershipSound(); }

    void PushQ(double d, std::initializer_list<Component> unit = {}) {
        ASSERT_TRUE(Push(Value::Real(d, MakeExpr(unit))));
    }
    Value Level(int n) {
        Value v;
        EXPECT_TRUE(Peek(n, &v));
        return v;
    }
    double X() { return Level(0).real(); }
    Comps UnitAt(int n) { return Components(Level(n).unit()); }
    bool Shown(int id) {
        const std::string text = ComposeCodedMessage(id).text;
        for (const auto& m : db.win.messages)
            if (m.text == text) return true;
        return false;
    }
    // Runs f on the values; expects one unitless-or-not result, no message.
    double Result(Func f, double x, std::initializer_list<Component> unit = {}) {
        ClearStack();
        db.win.clearMessages();
        PushQ(x, unit);
        ApplyFunction(f);
        EXPECT_TRUE(db.win.messages.empty()) << db.win.messages.front().text;
        EXPECT_EQ(Depth(), 1);
        return X();
    }
    // Expects f on x to be refused with `message`, leaving x (and its
    // expression) on the stack; saved arguments restored or forgotten.
    void ExpectRefused(Func f, double x, std::initializer_list<Component> unit, int message,
                       const char* name) {
        ClearStack();
        db.win.clearMessages();
        PushQ(x, unit);
        const Value before = Level(0);
        const Comps comps = UnitAt(0);
        ApplyFunction(f);
        EXPECT_TRUE(Shown(message)) << name;
        ASSERT_EQ(Depth(), 1) << name;
        EXPECT_EQ(X(), before.real()) << name;
        EXPECT_EQ(UnitAt(0), comps) << name;
        EXPECT_EQ(State::savedCount(), 0) << name;
    }
};

TEST_F(EngineScientific, TrigInDegreesAndRadians) {
    State::setAngleUnit(1);
    EXPECT_NEAR(Result(Func::Sin, 30), 0.5, 1e-15);
    EXPECT_NEAR(Result(Func::Cos, 60), 0.5, 1e-15);
    EXPECT_NEAR(Result(Func::Tan, 45), 1.0, 1e-15);
    EXPECT_NEAR(Result(Func::Sin, 390), 0.5, 1e-14);
    EXPECT_NEAR(Result(Func::Cos, 180), -1.0, 1e-15);
    State::setAngleUnit(0);
    EXPECT_NEAR(Result(Func::Sin, kPi / 6), 0.5, 1e-15);
    EXPECT_NEAR(Result(Func::Cos, kPi), -1.0, 1e-15);
}

TEST_F(EngineScientific, AngleUnitsWorkInEitherMode) {
    State::setAngleUnit(0);
    EXPECT_NEAR(Result(Func::Sin, 30, {{adeg, 0, 1}}), 0.5, 1e-15);
    EXPECT_EQ(Level(0).unit(), NULL_UID);
    State::setAngleUnit(1);
    EXPECT_NEAR(Result(Func::Sin, kPi / 6, {{rad, 0, 1}}), 0.5, 1e-15);
    EXPECT_EQ(Level(0).unit(), NULL_UID);
    EXPECT_NEAR(Result(Func::Cos, 60, {{adeg, 0, 1}}), 0.5, 1e-15);
}

TEST_F(EngineScientific, TrigOfANonAngleUnitIsRefused) {
    ExpectRefused(Func::Sin, 1, {{u.m, 0, 1}}, MSG_HAS_UNITS, "sin 1 m");
    ExpectRefused(Func::Tan, 1, {{rad, 0, 2}}, MSG_HAS_UNITS, "tan 1 rad^2");
    ExpectRefused(Func::Cos, 1, {{adeg, 0, 1}, {u.s, 0, -1}}, MSG_HAS_UNITS, "cos 1 adeg/s");
}

TEST_F(EngineScientific, TanOfNinetyDegreesIsLargeAndFinite) {
    State::setAngleUnit(1);
    const double r = Result(Func::Tan, 90);
    EXPECT_TRUE(std::isfinite(r));
    EXPECT_GT(std::fabs(r), 1e15);
}

TEST_F(EngineScientific, ReducedKernelsAgreeWithTheLibrary) {
    const double angles[] = {0.0, 0.3,  1.5,  2.0,  3.0,  4.0,  4.8,   6.0,
                             7.0, -0.3, -2.0, -4.0, -4.8, -6.0, 100.0, -1000.5};
    for (double v : angles) {
        EXPECT_NEAR(ReducedSin(v), std::sin(v), 1e-12) << v;
        if (std::fabs(std::cos(v)) > 1e-3) {
            EXPECT_NEAR(ReducedTan(v), std::tan(v), 1e-9) << v;
        }
    }
    EXPECT_NEAR(ReducedSin(kPi), 0.0, 1e-15);
    EXPECT_DOUBLE_EQ(ReducedSin(kPi / 2), 1.0);
    EXPECT_DOUBLE_EQ(ReducedSin(-kPi / 2), -1.0);
}

TEST_F(EngineScientific, InverseTrigWithOptionalAngleUnit) {
    const struct {
        const char* name;
        Func f;
        double x;
        bool degrees, units;
        double want;
        Comps unit;
    } rows[] = {
        {"asin 1 deg+units", Func::Asin, 1, true, true, 90, {{adeg, 0, 1}}},
        {"asin 1 deg", Func::Asin, 1, true, false, 90, {}},
        {"acos 0 rad+units", Func::Acos, 0, false, true, kPi / 2, {{rad, 0, 1}}},
        {"atan 1 deg", Func::Atan, 1, true, false, 45, {}},
        {"atan -1 rad", Func::Atan, -1, false, false, -kPi / 4, {}},
    };
    for (const auto& r : rows) {
        State::setAngleUnit(r.degrees);
        State::setInvTrigUnits(r.units);
        EXPECT_NEAR(Result(r.f, r.x), r.want, 1e-13) << r.name;
        EXPECT_EQ(UnitAt(0), r.unit) << r.name;
    }
    ClearStack();
    State::setInvTrigUnits(0);
    ExpectRefused(Func::Asin, 2, {}, MSG_INVALID, "asin 2");
    ExpectRefused(Func::Atan, 1, {{rad, 0, 1}}, MSG_HAS_UNITS, "atan 1 rad");
}

TEST_F(EngineScientific, InverseHyperbolicKernels) {
    EXPECT_NEAR(double(InverseSinh(-2)), -1.4436354751788103, 1e-15);
    EXPECT_EQ(double(InverseSinh(0)), 0.0);
    EXPECT_NEAR(double(InverseSinh(1e10)), std::asinh(1e10), 1e-12);
    EXPECT_EQ(double(InverseCosh(1)), 0.0);
    EXPECT_NEAR(double(InverseCosh(10)), std::acosh(10.0), 1e-15);
    EXPECT_TRUE(std::isnan(double(InverseCosh(0.5))));
    const double tanhs[] = {1e-10, -1e-10, 1e-5, 0.25, -0.49, 0.5, 0.9, -0.999999};
    for (double v : tanhs) EXPECT_NEAR(double(InverseTanh(v)), std::atanh(v), 1e-15) << v;
    EXPECT_TRUE(std::isinf(double(InverseTanh(1))));
    EXPECT_TRUE(std::isinf(double(InverseTanh(-2))));
}

TEST_F(EngineScientific, UnitlessFunctions) {
    const struct {
        const char* name;
        Func f;
        double x, want;
    } rows[] = {
        {"sinh 1", Func::Sinh, 1, std::sinh(1.0)},
        {"cosh 1", Func::Cosh, 1, std::cosh(1.0)},
        {"tanh 0.5", Func::Tanh, 0.5, std::tanh(0.5)},
        {"asinh 1", Func::Asinh, 1, std::asinh(1.0)},
        {"acosh 2", Func::Acosh, 2, std::acosh(2.0)},
        {"atanh 0.5", Func::Atanh, 0.5, std::atanh(0.5)},
        {"ln e", Func::Ln, 2.718281828459045, 1},
        {"log 1000", Func::Log, 1000, 3},
        {"e^x 2", Func::Exp, 2, std::exp(2.0)},
        {"10^x 3", Func::Exp10, 3, 1000},
    };
    for (const auto& r : rows) EXPECT_NEAR(Result(r.f, r.x), r.want, 1e-13) << r.name;
}

TEST_F(EngineScientific, InvalidResultsAreRefusedAndArgumentsRestored) {
    const struct {
        const char* name;
        Func f;
        double x;
    } rows[] = {
        {"atanh 2", Func::Atanh, 2},     {"ln 0", Func::Ln, 0},
        {"ln -1", Func::Ln, -1},         {"log 0", Func::Log, 0},
        {"acosh 0.5", Func::Acosh, 0.5}, {"sqrt -4", Func::Sqrt, -4},
        {"1/x 0", Func::Reciprocal, 0},  {"e^x 1000", Func::Exp, 1000},
    };
    for (const auto& r : rows) ExpectRefused(r.f, r.x, {}, MSG_INVALID, r.name);
    ExpectRefused(Func::Ln, 2, {{u.m, 0, 1}}, MSG_HAS_UNITS, "ln 2 m");
}

TEST_F(EngineScientific, PowersAndRootsCarryUnitExponents) {
    const struct {
        const char* name;
        Func f;
        double x;
        std::initializer_list<Component> unit;
        double want;
        Comps result;
    } rows[] = {
        {"sqrt 9 m^2", Func::Sqrt, 9, {{u.m, 0, 2}}, 3, {{u.m, 0, 1}}},
        {"cbrt -8", Func::Cbrt, -8, {}, -2, {}},
        {"cbrt -27 s^3", Func::Cbrt, -27, {{u.s, 0, 3}}, -3, {{u.s, 0, 1}}},
        {"x^2 3 m", Func::Square, 3, {{u.m, 0, 1}}, 9, {{u.m, 0, 2}}},
        {"x^3 -2 s", Func::Cube, -2, {{u.s, 0, 1}}, -8, {{u.s, 0, 3}}},
        {"1/x 4 s", Func::Reciprocal, 4, {{u.s, 0, 1}}, 0.25, {{u.s, 0, -1}}},
        {"sqrt 16 km^2 s^-4",
         Func::Sqrt,
         16,
         {{u.m, 3, 2}, {u.s, 0, -4}},
         4,
         {{u.m, 3, 1}, {u.s, 0, -2}}},
    };
    for (const auto& r : rows) {
        EXPECT_NEAR(Result(r.f, r.x, r.unit), r.want, 1e-14) << r.name;
        EXPECT_EQ(UnitAt(0), r.result) << r.name;
    }
    ExpectRefused(Func::Sqrt, 2, {{u.m, 0, 1}}, MSG_FRACTIONAL, "sqrt 2 m");
    ExpectRefused(Func::Square, 2, {{u.m, 0, 100}}, MSG_EXPONENT_RANGE, "x^2 m^100");
}

TEST_F(EngineScientific, UndoAfterARootRestoresTheArgument) {
    PushQ(9, {{u.m, 0, 2}});
    ApplyFunction(Func::Sqrt);
    Undo();
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(X(), 9);
    EXPECT_EQ(UnitAt(0), (Comps{{u.m, 0, 2}}));
}

TEST_F(EngineScientific, PowerAndRootOfTwoArguments) {
    const struct {
        const char* name;
        Func f;
        double y;
        std::initializer_list<Component> yu;
        double x;
        double want;
        Comps unit;
    } rows[] = {
        {"-2 y^x 3", Func::Power, -2, {}, 3, -8, {}},
        {"9 y^/ 2", Func::Root, 9, {}, 2, 3, {}},
        {"2 m y^x 3", Func::Power, 2, {{u.m, 0, 1}}, 3, 8, {{u.m, 0, 3}}},
        {"-8 m^3 y^/ 3", Func::Root, -8, {{u.m, 0, 3}}, 3, -2, {{u.m, 0, 1}}},
        {"4 m^2 y^/ -2", Func::Root, 4, {{u.m, 0, 2}}, -2, 0.5, {{u.m, 0, -1}}},
        {"2 s y^x -1", Func::Power, 2, {{u.s, 0, 1}}, -1, 0.5, {{u.s, 0, -1}}},
        {"5 m y^x 0", Func::Power, 5, {{u.m, 0, 1}}, 0, 1, {}},
    };
    for (const auto& r : rows) {
        ClearStack();
        db.win.clearMessages();
        PushQ(r.y, r.yu);
        PushQ(r.x);
        ApplyFunction(r.f);
        EXPECT_TRUE(db.win.messages.empty()) << r.name;
        ASSERT_EQ(Depth(), 1) << r.name;
        EXPECT_NEAR(X(), r.want, 1e-14) << r.name;
        EXPECT_EQ(UnitAt(0), r.unit) << r.name;
        EXPECT_EQ(State::savedCount(), 2) << r.name;
    }
}

TEST_F(EngineScientific, PowerAndRootRefusals) {
    const struct {
        const char* name;
        Func f;
        double y;
        std::initializer_list<Component> yu;
        double x;
        std::initializer_list<Component> xu;
        int message;
    } rows[] = {
        {"2 m y^x 2.5", Func::Power, 2, {{u.m, 0, 1}}, 2.5, {}, MSG_EXPONENT_INTEGER},
        {"2 y^x 3 m", Func::Power, 2, {}, 3, {{u.m, 0, 1}}, MSG_EXPONENT_UNITS},
        {"2 m y^/ 0", Func::Root, 2, {{u.m, 0, 1}}, 0, {}, MSG_EXPONENT_INTEGER},
        {"2 m y^x 200", Func::Power, 2, {{u.m, 0, 1}}, 200, {}, MSG_EXPONENT_RANGE},
        {"2 m y^/ -129", Func::Root, 2, {{u.m, 0, 1}}, -129, {}, MSG_EXPONENT_RANGE},
        {"2 m^100 y^x 2", Func::Power, 2, {{u.m, 0, 100}}, 2, {}, MSG_EXPONENT_RANGE},
        {"8 m y^/ 3", Func::Root, 8, {{u.m, 0, 1}}, 3, {}, MSG_FRACTIONAL},
        {"-8 y^/ 3", Func::Root, -8, {}, 3, {}, MSG_INVALID},
    };
    for (const auto& r : rows) {
        ClearStack();
        db.win.clearMessages();
        PushQ(r.y, r.yu);
        PushQ(r.x, r.xu);
        const Comps yc = UnitAt(1), xc = UnitAt(0);
        ApplyFunction(r.f);
        EXPECT_TRUE(Shown(r.message)) << r.name;
        ASSERT_EQ(Depth(), 2) << r.name;
        EXPECT_EQ(Level(1).real(), r.y) << r.name;
        EXPECT_EQ(UnitAt(1), yc) << r.name;
        EXPECT_EQ(Level(0).real(), r.x) << r.name;
        EXPECT_EQ(UnitAt(0), xc) << r.name;
        EXPECT_EQ(State::savedCount(), 0) << r.name;
    }
}

TEST_F(EngineScientific, PiForgetsTheSavedArguments) {
    PushQ(1);
    PushQ(2);
    SaveArguments(2);
    PushPi();
    EXPECT_EQ(State::savedCount(), 0);
    EXPECT_EQ(X(), kPi);
    EXPECT_EQ(Depth(), 3);
}

}  // namespace
}  // namespace kiv
