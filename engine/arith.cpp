#include "engine/arith.h"

#include "engine/stack.h"
#include "storage/state.h"
#include "units/algebra.h"
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

void AddOrSubtract(bool subtract) {
    Value x, y;
    if (!TakeReals(2, &x, &y)) return;
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
    double r = divide ? y.real() / x.real() : y.real() * x.real();
    Uid u = Product(y.unit(), x.unit(), 0, divide ? -1 : 1, 1, &r);
    DeleteExpression(y.unit());
    DeleteExpression(x.unit());
    if (State::simplifyUnits()) u = Simplify(u, &r);
    Push(Value::Real(r, u));
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
    x.setReal(-x.real());
    Push(x);
}

void ConvertTop() {
    Value x, y;
    if (!TakeReals(2, &x, &y)) return;
    double v = y.real();
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
    x.setUnit(ReduceToBaseUnits(x.unit(), &v));
    x.setReal(v);
    Push(x);
}

}  // namespace kiv
