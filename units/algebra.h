// The unit algebra on expression records. Every change of scale is folded
// into a caller-supplied factor so that number x factor x unit is one
// quantity. Functions marked "consumes" delete their argument; the others
// leave it and return a new expression owned by the caller.
#pragma once

#include <string>
#include <vector>

#include "units/unitrec.h"

namespace kiv {

Uid NewExpression();           // 0 components; NULL_UID after 1324
Uid CopyExpression(Uid e);     // NULL_UID gives a new empty expression
Uid DuplicateExpression(Uid e);  // NULL_UID stays NULL_UID
void DeleteExpression(Uid e);  // NULL_UID: nothing
int ComponentCount(Uid e);     // 0 when it does not resolve
int LargestExponent(Uid e);
bool ExpressionsEqual(Uid a, Uid b);  // order-free, no prefix merging
std::vector<Component> Components(Uid e);

// Multiplies (unit, prefix)^exponent into e in place. With a factor any
// component of the unit matches (the prefix difference goes into the
// factor); without one only an equal prefix does. 1330 when out of range.
void MultiplyIn(Uid e, Uid unit, int prefix, int exponent, double* factor);
// New expression a x b^(numerator/denominator); prefixOverride (when not 0)
// replaces the prefix of b's first component. 1314 / 1330 give NULL_UID.
Uid Product(Uid a, Uid b, int prefixOverride, int numerator, int denominator, double* factor);
Uid Normalise(Uid e);  // an empty expression is deleted: NULL_UID
Uid MergeLikeUnits(Uid a, double* factor);
Uid ReduceToBaseUnits(Uid a, double* factor);  // consumes a
Uid Convert(Uid a, Uid b, double* factor);     // consumes a
Uid Simplify(Uid a, double* factor);           // consumes a

// A new expression holding one unit with the given prefix and exponent.
Uid ExpressionOf(Uid unit, int prefix = 0, int exponent = 1);
// A new expression holding the unit named `name`, or NULL_UID when missing.
Uid LookUpUnitExpression(const std::string& name);

}  // namespace kiv
