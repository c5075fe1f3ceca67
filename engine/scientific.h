// SPDX-License-Identifier: GPL-3.0-or-later
// Scientific functions on the stack (floating mode), in the operation frame.
#pragma once

namespace kiv {

enum class Func {
    Sin,
    Cos,
    Tan,
    Asin,
    Acos,
    Atan,
    Sinh,
    Cosh,
    Tanh,
    Asinh,
    Acosh,
    Atanh,
    Ln,
    Log,
    Exp,
    Exp10,
    Square,
    Cube,
    Reciprocal,
    Sqrt,
    Cbrt,
    Power,
    Root,
};

void ApplyFunction(Func f);
void PushPi();  // forgets the saved arguments; not undoable

// Raw numeric kernels (tested directly).
double ReducedSin(double radians);
double ReducedTan(double radians);
long double InverseSinh(long double v);
long double InverseCosh(long double v);
long double InverseTanh(long double v);

}  // namespace kiv
