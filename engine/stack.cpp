// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/stack.h"

#include <cmath>

#include "engine/integer.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "window/messages.h"
#include "window/window.h"

namespace kiv {

namespace {

bool g_replaceTop = false;

int Top() {
    return State::stackTop();
}
int Size() {
    return State::stackSize();
}

void DeleteOwnedUnit(const Value& v) {
    DeleteExpression(OwnedUnit(v));
}

// A copy that owns its own unit expression.
Value Duplicate(const Value& v) {
    Value c = v;
    if (c.isReal()) c.setUnit(DuplicateExpression(v.unit()));
    return c;
}

// Removes entry 0 (deleting its unit) and moves the others down one slot.
void DiscardBottom() {
    const int top = Top();
    if (top < 0) return;
    DeleteOwnedUnit(State::stackEntry(0));
    for (int i = 1; i <= top; ++i) State::setStackEntry(i - 1, State::stackEntry(i));
    State::setStackTop(top - 1);
}

// Moves entries 0..top up by k slots (the caller writes slots 0..k-1).
void ShiftUp(int k) {
    const int top = Top();
    for (int i = top; i >= 0; --i) State::setStackEntry(i + k, State::stackEntry(i));
    State::setStackTop(top + k);
}

// HP stack mode: replicate the bottom entry until the stack is full.
void Refill() {
    const int n = Size();
    while (Top() < n - 1) {
        const Value copy = Top() >= 0 ? Duplicate(State::stackEntry(0)) : ZeroValue();
        ShiftUp(1);
        State::setStackEntry(0, copy);
    }
}

}  // namespace

bool ReplaceTop() {
    return g_replaceTop;
}
void SetReplaceTop(bool on) {
    g_replaceTop = on;
}

Value ZeroValue() {
    if (State::radix() != 0) {
        const uint8_t zero[16] = {};
        return Value::Int(zero);
    }
    return Value::Real(0.0, NULL_UID);
}

bool Push(const Value& v) {
    g_replaceTop = false;
    const bool bad = v.isReal() && !std::isfinite(v.real());
    if (bad && State::savedCount() == 0) {
        // Nothing to restore: refuse the value rather than leave it on the
        // stack, and keep the bottom entry a full stack would push off.
        DeleteOwnedUnit(v);
        ShowCodedMessage(MSG_INVALID);
        return false;
    }
    const int n = Size();
    while (Top() >= n - 1 && Top() >= 0) DiscardBottom();
    const int top = Top() + 1;
    State::setStackEntry(top, v);
    State::setStackTop(top);
    if (bad) {
        ShowCodedMessage(MSG_INVALID);
        Undo();
        return false;
    }
    return true;
}

bool Pop(Value* dest) {
    g_replaceTop = false;
    const int top = Top();
    if (top < 0) {
        ShowCodedMessage(MSG_NOT_ENOUGH);
        return false;
    }
    const Value v = State::stackEntry(top);
    State::setStackTop(top - 1);
    if (dest)
        *dest = v;
    else
        DeleteOwnedUnit(v);  // nobody takes the unit over
    if (State::hpStack()) Refill();
    return true;
}

bool Peek(int n, Value* dest) {
    const int top = Top();
    if (n < 0 || n > top) return false;
    if (dest) *dest = State::stackEntry(top - n);
    return true;
}

int Depth() {
    return Top() + 1;
}

void Drop() {
    Value scratch;
    if (Pop(&scratch)) DeleteOwnedUnit(scratch);
}

void RollDown() {
    const int top = Top();
    if (top <= 0) return;
    const Value x = State::stackEntry(top);
    for (int i = top; i >= 1; --i) State::setStackEntry(i, State::stackEntry(i - 1));
    State::setStackEntry(0, x);
}

void RollUp() {
    const int top = Top();
    if (top <= 0) return;
    const Value bottom = State::stackEntry(0);
    for (int i = 0; i < top; ++i) State::setStackEntry(i, State::stackEntry(i + 1));
    State::setStackEntry(top, bottom);
}

bool Exchange(int n) {
    g_replaceTop = false;
    const int top = Top();
    if (n < 1 || n > top) {
        ShowCodedMessage(MSG_NOT_ENOUGH);
        return false;
    }
    const Value x = State::stackEntry(top);
    State::setStackEntry(top, State::stackEntry(top - n));
    State::setStackEntry(top - n, x);
    return true;
}

void ClearStack() {
    const int top = Top();
    for (int i = 0; i <= top; ++i) DeleteOwnedUnit(State::stackEntry(i));
    State::setStackTop(-1);
    if (State::hpStack()) FillStack();
}

void FillStack() {
    const int k = Size() - 1 - Top();
    if (k <= 0) return;
    ShiftUp(k);
    const Value zero = ZeroValue();
    for (int i = 0; i < k; ++i) State::setStackEntry(i, zero);
}

void SetHpStackMode(bool on) {
    State::setHpStack(on ? 1 : 0);
    if (on) FillStack();
}

bool SetStackSize(int n) {
    if (n < 1 || n == Size()) return n >= 1;
    while (Top() >= n) DiscardBottom();
    if (!ResizeStateRecord(n)) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return false;
    }
    State::setStackSizeField(uint16_t(n));
    return true;
}

void ForgetSavedArguments() {
    const int count = State::savedCount();
    for (int i = 0; i < count && i < 2; ++i) DeleteOwnedUnit(State::saved(i));
    State::setSavedCount(0);
}

void SaveArguments(int count) {
    ForgetSavedArguments();
    if (count < 1 || count > 2 || Depth() < count) return;
    const int top = Top();
    for (int i = 0; i < count; ++i) State::setSaved(i, Duplicate(State::stackEntry(top - i)));
    State::setSavedCount(uint8_t(count));
}

void Undo() {
    const int count = State::savedCount();
    if (count == 0) {
        GetWindow().beep();
        return;
    }
    Value result;
    if (!Pop(&result)) return;
    DeleteOwnedUnit(result);
    // Clear the count first: the pushes below must not see saved arguments
    // (a saved value is finite, but keep Push's recovery from recursing).
    const Value slot0 = State::saved(0);
    const Value slot1 = State::saved(1);
    State::setSavedCount(0);
    if (count >= 2) Push(slot1);
    Push(slot0);
}

void StripUnit(Uid u) {
    const int top = Top();
    for (int i = 0; i <= top; ++i) {
        Value v = State::stackEntry(i);
        if (v.isReal() && v.unit() == u) {
            v.setUnit(NULL_UID);
            State::setStackEntry(i, v);
        }
    }
}

bool PopCount(int32_t* dest) {
    Value x;
    if (!Pop(&x)) return false;
    int32_t count = 0;
    if (x.isInt()) {
        Word w;
        std::memcpy(w.b, x.word(), 16);
        if (!IntegerToCount(w, State::wordSize() / 8, &count)) {
            Push(x);
            return false;
        }
    } else {
        const double d = std::trunc(x.real());
        DeleteOwnedUnit(x);
        if (d >= 2147483647.0)
            count = INT32_MAX;
        else if (d <= -2147483648.0)
            count = INT32_MIN;
        else if (std::isnan(d))
            count = 0;
        else
            count = int32_t(d);
    }
    ForgetSavedArguments();
    if (dest) *dest = count;
    return true;
}

}  // namespace kiv

namespace kiv {

bool TakeArguments(int count, Value* x, Value* y) {
    SaveArguments(count);
    if (!Pop(x)) return false;
    if (count == 2 && !Pop(y)) {
        Push(*x);
        return false;
    }
    return true;
}

void RefuseOperation(int message, int count, const Value& x, const Value& y) {
    if (count == 2) Push(y);
    Push(x);
    ForgetSavedArguments();
    ShowCodedMessage(message);
}

}  // namespace kiv
