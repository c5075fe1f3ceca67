// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/unit_fixture.h"

#include "units/algebra.h"

namespace kiv {

Uid MakeExpr(std::initializer_list<Component> comps) {
    if (comps.size() == 0) return NULL_UID;
    const Uid e = NewExpression();
    for (const Component& c : comps) MultiplyIn(e, c.unit, c.prefix, c.exponent, nullptr);
    return Normalise(e);
}

Uid DefineUnit(const std::string& name, double magnitude, std::initializer_list<Component> def,
               int category) {
    return CreateUnit(name, magnitude, MakeExpr(def), category);
}

UnitTable MakeUnitTable() {
    UnitTable t{};
    t.m = DefineUnit("m", 1, {});
    t.s = DefineUnit("s", 1, {});
    t.kg = DefineUnit("kg", 1, {});
    t.A = DefineUnit("A", 1, {});
    t.km = DefineUnit("km", 1000, {{t.m, 0, 1}});
    t.ft = DefineUnit("ft", 0.3048, {{t.m, 0, 1}});
    t.in = DefineUnit("in", 0.0254, {{t.m, 0, 1}});
    t.min = DefineUnit("min", 60, {{t.s, 0, 1}});
    t.h = DefineUnit("h", 60, {{t.min, 0, 1}});
    t.J = DefineUnit("J", 1, {{t.kg, 0, 1}, {t.m, 0, 2}, {t.s, 0, -2}});
    t.W = DefineUnit("W", 1, {{t.J, 0, 1}, {t.s, 0, -1}});
    t.N = DefineUnit("N", 1, {{t.kg, 0, 1}, {t.m, 0, 1}, {t.s, 0, -2}});
    t.ha = DefineUnit("ha", 0.01, {{t.km, 0, 2}});
    return t;
}

}  // namespace kiv
