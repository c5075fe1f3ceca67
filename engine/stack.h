// SPDX-License-Identifier: GPL-3.0-or-later
// The stack inside the state record, one-level Undo, and the operation
// frame: save arguments, pop, compute, push; on an error push the arguments
// back and forget the saved ones, so the stack is exactly as it was.
//
// A real value owns its unit expression: copying duplicates it, discarding
// deletes it, moving between slots moves ownership.
#pragma once

#include <cstdint>

#include "storage/value.h"

namespace kiv {

// Pushes (the bottom entry is pushed off a full stack). A real that is not
// finite shows 1309 and returns false: with saved arguments it is pushed
// and undone (the arguments come back); with none it is not pushed and its
// unit is deleted.
bool Push(const Value& v);
// Pops into dest (ownership of the unit passes to the caller; without a
// destination the unit is deleted). 1302 and false on an empty stack.
// Refills in HP stack mode.
bool Pop(Value* dest = nullptr);
// Copies level n (0 = X) without duplicating its unit; false, no message,
// when there is no such level.
bool Peek(int n, Value* dest);
int Depth();
void Drop();
void RollDown();
void RollUp();
bool Exchange(int n);  // 1302 unless 1 <= n <= top
void ClearStack();
void FillStack();
void SetHpStackMode(bool on);
// False after 1324 (old size kept). Never give it a size below 1.
bool SetStackSize(int n);
void SaveArguments(int count);
void ForgetSavedArguments();
void Undo();
void StripUnit(Uid u);  // stack entries only
Value ZeroValue();      // of the current mode
// Pops X as a count: a real truncated (unit deleted), an integer by
// integer-to-count (1308 pushes X back). Forgets the saved arguments.
bool PopCount(int32_t* dest);

// The operation frame's first steps: saves `count` (1 or 2) arguments and
// pops X (and Y). False when there are too few; the stack is then as before
// (1302 shown). Ownership of the popped units passes to the caller.
bool TakeArguments(int count, Value* x, Value* y = nullptr);
// The frame's error exit: pushes Y (when count is 2) and then X back,
// forgets the saved arguments and shows `message`.
void RefuseOperation(int message, int count, const Value& x, const Value& y = Value());

// Set by ENT in HP stack mode; a new entry line then replaces X.
bool ReplaceTop();
void SetReplaceTop(bool on);

}  // namespace kiv
