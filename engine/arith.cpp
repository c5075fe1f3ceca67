// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/arith.h"

#include <string>

#include "engine/stack.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/scales.h"
#include "window/messages.h"

namespace kiv {

namespace {

// These operations read doubles and unit references: an integer argument
// (which floating mode never holds) is refused rather than misread.
bool TakeReals(int count, Value* x, Value* y) {
    if (!TakeArguments(count, x, y)) return false;
    if (!x->isReal() || (count == 2 && !y->isReal())) {
        RefuseOperation(MSG_INVALID, count, *x, y ? *y : Value());
        return false;
    }
    return true;
}

// The frame's error exit with a message that names units.
void Refuse(int message, const Value& x, const Value& y, const std::string& t1,
            const std::string& t2 = std::string()) {
    Push(y);
    Push(x);
    ForgetSavedArguments();
    ShowCodedMessage(message, t1.c_str(), t2.c_str());
}

// The frame's exit after ConvertReading has shown why it refused.
void PutBack(const Value& x, const Value& y) {
    Push(y);
    Push(x);
    ForgetSavedArguments();
}

std::string AbsoluteName(const Scale& s) {
    return UnitName(IndexOfUid(s.absolute));
}

// A sum or difference with a reading on one side (rx: X is one, ry: Y is).
// Reading - reading is a difference in X's scale; reading +- difference is
// a reading, in X's unit as every sum (an absolute unit such as K holds it
// as an absolute temperature); reading + reading and difference - reading
// have no meaning and are refused.
void ReadingSum(bool subtract, const Value& x, Value y, bool rx, bool ry, const Scale& sx,
                const Scale& sy) {
    double v = y.real();
    if (rx && ry) {
        if (!subtract) return Refuse(MSG_ADD_READINGS, x, y, AbsoluteName(sx));
        const ScaleResult r = ConvertReading(y.unit(), x.unit(), &v);
        if (r == ScaleResult::Refused) return PutBack(x, y);
        if (r == ScaleResult::Plain) return RefuseOperation(MSG_UNIT_MISMATCH, 2, x, y);
        double d = v - x.real();
        const Uid u = AsDifference(ExpressionOf(sx.unit), &d);
        DeleteExpression(x.unit());
        DeleteExpression(y.unit());
        Push(Value::Real(d, u));
        return;
    }
    if (ry && IsAbsoluteSingle(x.unit())) {
        // Into X's absolute unit: the sum is an absolute temperature.
        const ScaleResult r = ConvertReading(y.unit(), x.unit(), &v);
        if (r == ScaleResult::Refused) return PutBack(x, y);
        if (r == ScaleResult::Plain) return RefuseOperation(MSG_UNIT_MISMATCH, 2, x, y);
        const double sum = subtract ? v - x.real() : v + x.real();
        if (sum < 0) return RefuseOperation(MSG_BELOW_ABSOLUTE_ZERO, 2, x, y);
        DeleteExpression(y.unit());
        Value out = x;
        out.setReal(sum);
        Push(out);
        return;
    }
    // The side that is no reading is a difference, taken by degree size
    // into the reading's scale; the result is a reading of that scale.
    const Value& reading = ry ? y : x;
    const Value& other = ry ? x : y;
    const Scale& s = ry ? sy : sx;
    double w = other.real();
    const Uid c = Convert(CopyExpression(other.unit()), reading.unit(), &w);
    const bool same = ExpressionsEqual(c, reading.unit());
    DeleteExpression(c);
    if (!same) return RefuseOperation(MSG_UNIT_MISMATCH, 2, x, y);
    if (rx && subtract) return Refuse(MSG_MINUS_READING, x, y, AbsoluteName(s));
    const double sum = ry ? (subtract ? v - w : v + w) : x.real() + w;
    if (BelowAbsoluteZero(s, sum)) return RefuseOperation(MSG_BELOW_ABSOLUTE_ZERO, 2, x, y);
    DeleteExpression(other.unit());
    Push(Value::Real(sum, reading.unit()));
}

void AddOrSubtract(bool subtract) {
    Value x, y;
    if (!TakeReals(2, &x, &y)) return;
    Scale sx, sy;
    const bool rx = ReadingScale(x.unit(), &sx), ry = ReadingScale(y.unit(), &sy);
    if (rx || ry) return ReadingSum(subtract, x, y, rx, ry, sx, sy);
    double v = y.real();
    if (!ExpressionsEqual(y.unit(), x.unit())) {
        const Uid c = Convert(CopyExpression(y.unit()), x.unit(), &v);
        if (!ExpressionsEqual(c, x.unit())) {
            DeleteExpression(c);
            RefuseOperation(MSG_UNIT_MISMATCH, 2, x, y);
            return;
        }
        DeleteExpression(y.unit());
        y.setUnit(c);
    }
    DeleteExpression(x.unit());
    y.setReal(subtract ? v - x.real() : v + x.real());
    Push(y);
}

void MultiplyOrDivide(bool divide) {
    Value x, y;
    SaveArguments(2);
    if (!Pop(&x)) return;
    if (!x.isReal()) {
        RefuseOperation(MSG_INVALID, 1, x);
        return;
    }
    if (divide && x.real() == 0.0) {
        RefuseOperation(MSG_DIVIDE_ZERO, 1, x);
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
    // A reading has no product: 2 x 20 degC is no temperature.
    Scale s;
    if (ReadingScale(y.unit(), &s) || ReadingScale(x.unit(), &s))
        return Refuse(MSG_READING_OPERATION, x, y, UnitName(IndexOfUid(s.unit)), AbsoluteName(s));
    double r = divide ? y.real() / x.real() : y.real() * x.real();
    Uid u = Product(y.unit(), x.unit(), 0, divide ? -1 : 1, 1, &r);
    DeleteExpression(y.unit());
    DeleteExpression(x.unit());
    if (State::simplifyUnits()) u = Simplify(u, &r);
    Push(Value::Real(r, AsDifference(u, &r)));
}

}  // namespace

void Add() {
    AddOrSubtract(false);
}
void Subtract() {
    AddOrSubtract(true);
}
void Multiply() {
    MultiplyOrDivide(false);
}
void Divide() {
    MultiplyOrDivide(true);
}

void ChangeSign() {
    Value x;
    if (!TakeReals(1, &x, nullptr)) return;
    // A reading changes sign on its own scale (40 degF becomes -40 degF),
    // never past absolute zero.
    Scale s;
    if (ReadingScale(x.unit(), &s) && BelowAbsoluteZero(s, -x.real()))
        return RefuseOperation(MSG_BELOW_ABSOLUTE_ZERO, 1, x);
    x.setReal(-x.real());
    Push(x);
}

void ConvertTop() {
    Value x, y;
    if (!TakeReals(2, &x, &y)) return;
    double v = y.real();
    switch (ConvertReading(y.unit(), x.unit(), &v)) {
        case ScaleResult::Refused:
            return PutBack(x, y);
        case ScaleResult::Done:
            y.setReal(v);
            DeleteExpression(y.unit());
            y.setUnit(x.unit());
            Push(y);
            return;
        case ScaleResult::Plain:
            break;
    }
    bool formed = true;
    y.setUnit(Convert(y.unit(), x.unit(), &v, &formed));
    if (!formed) {
        // Convert has shown the cause and given Y's unit back.
        Push(y);
        Push(x);
        ForgetSavedArguments();
        return;
    }
    y.setReal(v);
    DeleteExpression(x.unit());
    Push(y);
}

void MakePrimitive() {
    if (State::radix() != 0) return;
    Value x;
    if (!TakeReals(1, &x, nullptr)) return;
    double v = x.real();
    // A reading reduces as the absolute temperature it stands for.
    Scale s;
    if (ReadingScale(x.unit(), &s)) {
        if (BelowAbsoluteZero(s, v)) return RefuseOperation(MSG_BELOW_ABSOLUTE_ZERO, 1, x);
        v = s.magnitude * v + s.zero;
        DeleteExpression(x.unit());
        x.setUnit(ExpressionOf(s.absolute));
    }
    x.setUnit(ReduceToBaseUnits(x.unit(), &v));
    x.setReal(v);
    Push(x);
}

}  // namespace kiv
