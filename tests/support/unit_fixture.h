// SPDX-License-Identifier: GPL-3.0-or-later
// A small unit table for tests: base units m, s, kg, A and units defined
// from them (km = 1000 m, ft = 0.3048 m, in = 0.0254 m, min = 60 s,
// h = 60 min, J = kg m2/s2, W = J/s, N = kg m/s2, ha = 0.01 km2).
#pragma once

#include <initializer_list>
#include <string>

#include "units/unitrec.h"

namespace kiv {

// A new expression with these components multiplied in, in order, without
// a factor. NULL_UID for an empty list.
Uid MakeExpr(std::initializer_list<Component> comps);
// Creates a unit; `def` empty makes a base unit. Returns its UID.
Uid DefineUnit(const std::string& name, double magnitude, std::initializer_list<Component> def,
               int category = 0);

struct UnitTable {
    Uid m, s, kg, A, km, ft, in, min, h, J, W, N, ha;
};
UnitTable MakeUnitTable();

}  // namespace kiv
