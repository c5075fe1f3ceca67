// SPDX-License-Identifier: GPL-3.0-or-later
// Arithmetic with units on the stack (floating mode), each in the operation
// frame of engine/stack.h.
#pragma once

namespace kiv {

void Add();
void Subtract();
void Multiply();
void Divide();
void ChangeSign();
void ConvertTop();     // Y's quantity in X's unit
void MakePrimitive();  // X in base units

}  // namespace kiv
