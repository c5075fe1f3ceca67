// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/scientific.h"

#include <cmath>
#include <limits>
#include <string>

#include "engine/stack.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/scales.h"
#include "window/messages.h"

namespace kiv {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kThreeHalfPi = 4.71238898038469;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kRadPerDeg = 0.017453292519943295;
constexpr double kDegPerRad = 57.29577951308232;
constexpr double kE = 2.718281828459045;
constexpr double kLn2 = 0.6931471805599453;
constexpr double kLog10Of2 = 0.3010299956639812;

// A temperature reading has no power, root or function value (what is the
// square of 20 degC?): refused with the way out, its absolute unit.
bool RefusedReading(int count, const Value& x, const Value& reading, const Value& y = Value()) {
    Scale s;
    if (!ReadingScale(reading.unit(), &s)) return false;
    if (count == 2) Push(y);
    Push(x);
    ForgetSavedArguments();
    const std::string scale = UnitName(IndexOfUid(s.unit));
    const std::string absolute = UnitName(IndexOfUid(s.absolute));
    ShowCodedMessage(MSG_READING_OPERATION, scale.c_str(), absolute.c_str());
    return true;
}

// Saves and pops X, which must be a real; false with the stack as before.
bool TakeReal(Value* x) {
    if (!TakeArguments(1, x)) return false;
    if (!x->isReal()) {
        RefuseOperation(MSG_INVALID, 1, *x);
        return false;
    }
    return !RefusedReading(1, *x, *x);
}

bool TakeUnitless(Value* x) {
    if (!TakeReal(x)) return false;
    if (x->unit() != NULL_UID) {
        RefuseOperation(MSG_HAS_UNITS, 1, *x);
        return false;
    }
    return true;
}

void PushNumber(double r, Uid unit = NULL_UID) {
    Push(Value::Real(r, unit));
}

// The angle of X in radians. An angle unit is converted through "adeg";
// any other unit is refused with 1315 (false, X pushed back).
bool AngleOf(const Value& x, double* radians) {
    double v = x.real();
    if (x.unit() == NULL_UID) {
        if (State::degrees()) v *= kRadPerDeg;
        *radians = v;
        return true;
    }
    const Uid adeg = LookUpUnitExpression("adeg");
    bool ok = false;
    if (adeg != NULL_UID) {
        const Uid c = Convert(CopyExpression(x.unit()), adeg, &v);
        ok = c != NULL_UID && ComponentCount(c) == 1 && ExpressionsEqual(c, adeg);
        DeleteExpression(c);
    }
    DeleteExpression(adeg);
    if (!ok) {
        RefuseOperation(MSG_HAS_UNITS, 1, x);
        return false;
    }
    DeleteExpression(x.unit());
    *radians = v * kRadPerDeg;
    return true;
}

void Trig(Func f) {
    Value x;
    if (!TakeReal(&x)) return;
    double v;
    if (!AngleOf(x, &v)) return;
    double r;
    if (f == Func::Tan)
        r = ReducedTan(v);
    else if (f == Func::Cos)
        r = ReducedSin(kHalfPi - v);
    else
        r = ReducedSin(v);
    PushNumber(r);
}

void InverseTrig(Func f) {
    Value x;
    if (!TakeUnitless(&x)) return;
    const double v = x.real();
    double r = f == Func::Asin ? std::asin(v) : f == Func::Acos ? std::acos(v) : std::atan2(v, 1.0);
    const bool degrees = State::degrees();
    if (degrees) r *= kDegPerRad;
    Uid unit = NULL_UID;
    if (State::invTrigUnits()) unit = LookUpUnitExpression(degrees ? "adeg" : "rad");
    PushNumber(r, unit);
}

double Unitless(Func f, double v) {
    switch (f) {
        case Func::Sinh:
            return std::sinh(v);
        case Func::Cosh:
            return std::cosh(v);
        case Func::Tanh:
            return std::tanh(v);
        case Func::Asinh:
            return double(InverseSinh(v));
        case Func::Acosh:
            return double(InverseCosh(v));
        case Func::Atanh:
            return double(InverseTanh(v));
        case Func::Ln:
            return kLn2 * std::log2(v);
        case Func::Log:
            return kLog10Of2 * std::log2(v);
        case Func::Exp:
            return std::pow(kE, v);
        case Func::Exp10:
            return std::pow(10.0, v);
        default:
            return std::numeric_limits<double>::quiet_NaN();
    }
}

// Whether Product would refuse x's unit raised to n/d; shows its message
// then. Checked up front because a NULL_UID product is also the sound
// result of units that cancel (km m^-1 squared).
bool UnitPowerRefused(Uid unit, int n, int d) {
    for (const Component& c : Components(unit)) {
        const int f = int(c.exponent) * n;
        if (f % d != 0) {
            ShowCodedMessage(MSG_FRACTIONAL);
            return true;
        }
        const int h = f / d;
        if (h < -128 || h > 127) {
            ShowCodedMessage(MSG_EXPONENT_RANGE);
            return true;
        }
    }
    return false;
}

// x^(n/d) with the unit's exponents scaled; n and d in -128..127, d not 0.
// False after 1314 or 1330 (x untouched; its unit still belongs to it).
bool RationalPower(const Value& x, int n, int d, Value* result) {
    double v = x.real();
    bool negate = false;
    if (v < 0 && d > 0 && d % 2 == 1) {
        v = -v;
        negate = true;
    }
    double r = std::pow(v, double(n) / double(d));
    Uid unit = NULL_UID;
    // Power 0 is a pure number: there is no unit^0 to carry.
    if (x.unit() != NULL_UID && n != 0) {
        if (UnitPowerRefused(x.unit(), n, d)) return false;
        unit = Product(NULL_UID, x.unit(), 0, n, d, &r);
    }
    if (negate && n % 2 != 0) r = -r;
    // The square root of degC2 is a difference, not a reading.
    unit = AsDifference(unit, &r);
    *result = Value::Real(r, unit);
    return true;
}

void OnePower(int n, int d) {
    Value x;
    if (!TakeReal(&x)) return;
    Value result;
    if (!RationalPower(x, n, d, &result)) {
        Push(x);
        ForgetSavedArguments();
        return;
    }
    DeleteExpression(x.unit());
    Push(result);
}

void PowerOrRoot(bool root) {
    Value x, y;
    SaveArguments(2);
    if (!Pop(&x)) return;
    if (!x.isReal()) {
        RefuseOperation(MSG_INVALID, 1, x);
        return;
    }
    if (x.unit() != NULL_UID) {
        RefuseOperation(MSG_EXPONENT_UNITS, 1, x);
        return;
    }
    if (!Pop(&y)) {
        Push(x);
        return;
    }
    if (!y.isReal()) {
        RefuseOperation(MSG_INVALID, 2, x, y);
        return;
    }
    if (RefusedReading(2, x, y, y)) return;
    const double e = x.real();
    if (y.unit() == NULL_UID) {
        PushNumber(std::pow(y.real(), root ? 1.0 / e : e));
        return;
    }
    if (std::floor(e) != e) {
        RefuseOperation(MSG_EXPONENT_INTEGER, 2, x, y);
        return;
    }
    // The unit algebra carries exponents as signed bytes; a zeroth root
    // would divide every unit exponent by zero.
    if (e < -128 || e > 127) {
        RefuseOperation(MSG_EXPONENT_RANGE, 2, x, y);
        return;
    }
    const int k = int(e);
    if (root && k == 0) {
        RefuseOperation(MSG_EXPONENT_INTEGER, 2, x, y);
        return;
    }
    Value result;
    if (!RationalPower(y, root ? 1 : k, root ? k : 1, &result)) {
        Push(y);
        Push(x);
        ForgetSavedArguments();
        return;
    }
    DeleteExpression(y.unit());
    Push(result);
}

}  // namespace

double ReducedSin(double v) {
    v = std::fmod(v, kTwoPi);
    if (v > kHalfPi)
        v = v >= kThreeHalfPi ? v - kTwoPi : kPi - v;
    else if (v < -kHalfPi)
        v = v <= -kThreeHalfPi ? v + kTwoPi : -kPi - v;
    return std::sin(v);
}

double ReducedTan(double v) {
    if (v > 0)
        v = std::fmod(v + kHalfPi, kPi) - kHalfPi;
    else
        v = std::fmod(v - kHalfPi, kPi) + kHalfPi;
    return std::tan(v);
}

long double InverseSinh(long double v) {
    const long double s = v > 0 ? 1.0L : v < 0 ? -1.0L : 0.0L;
    return s * logl(fabsl(v) + sqrtl(v * v + 1.0L));
}

long double InverseCosh(long double v) {
    if (v < 1.0L) return std::numeric_limits<long double>::quiet_NaN();
    return logl(v + sqrtl(v * v - 1.0L));
}

long double InverseTanh(long double v) {
    const long double a = fabsl(v);
    if (a > 1.0L) return std::numeric_limits<long double>::infinity();
    if (a < 3e-9L) return v;
    const long double t = 2.0L * a;
    long double r;
    if (a < 0.5L)
        r = 0.5L * logl(1.0L + t + t * a / (1.0L - a));
    else
        r = 0.5L * logl(1.0L + t / (1.0L - a));
    return v < 0 ? -r : r;
}

void ApplyFunction(Func f) {
    switch (f) {
        case Func::Sin:
        case Func::Cos:
        case Func::Tan:
            Trig(f);
            return;
        case Func::Asin:
        case Func::Acos:
        case Func::Atan:
            InverseTrig(f);
            return;
        case Func::Square:
            OnePower(2, 1);
            return;
        case Func::Cube:
            OnePower(3, 1);
            return;
        case Func::Reciprocal:
            OnePower(-1, 1);
            return;
        case Func::Sqrt:
            OnePower(1, 2);
            return;
        case Func::Cbrt:
            OnePower(1, 3);
            return;
        case Func::Power:
            PowerOrRoot(false);
            return;
        case Func::Root:
            PowerOrRoot(true);
            return;
        default:
            break;
    }
    Value x;
    if (!TakeUnitless(&x)) return;
    PushNumber(Unitless(f, x.real()));
}

void PushPi() {
    ForgetSavedArguments();
    PushNumber(kPi);
}

}  // namespace kiv
