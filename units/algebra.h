// SPDX-License-Identifier: GPL-3.0-or-later
// The unit algebra on expression records. Every change of scale is folded
// into a caller-supplied factor so that number x factor x unit is one
// quantity. Functions marked "consumes" delete their argument; the others
// leave it and return a new expression owned by the caller.
#pragma once

#include <string>
#include <vector>

#include "units/unitrec.h"

namespace kiv {

Uid NewExpression();                  // 0 components; NULL_UID after 1324
Uid CopyExpression(Uid e);            // NULL_UID gives a new empty expression
Uid DuplicateExpression(Uid e);       // NULL_UID stays NULL_UID
void DeleteExpression(Uid e);         // NULL_UID: nothing
int ComponentCount(Uid e);            // 0 when it does not resolve; NULL_UID: 0, no alert
int LargestExponent(Uid e);           // NULL_UID: 0, no alert
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
// Consumes a. When the reduction cannot be formed (an exponent outside
// -128..127 after 1330, no record, a definition cycle) a itself is returned
// and the factor is unchanged.
Uid ReduceToBaseUnits(Uid a, double* factor);
// Consumes a. Compatible exactly when the result equals b. When the
// quotient cannot be formed a itself is returned (never equal to b), the
// factor is unchanged and *formed (when given) is false. The first exponent
// message met (1314, 1330) is shown once, before returning.
Uid Convert(Uid a, Uid b, double* factor, bool* formed = nullptr);
// Consumes a. When no simplification can be formed a itself is returned
// with the factor unchanged. The first exponent message met is shown once.
Uid Simplify(Uid a, double* factor);

// Reductions to base units are remembered while the units they read are
// unchanged, and repeated by replaying them; the database ends the same
// either way. Off reduces in full every time; Checked reduces in full and
// aborts when the memo disagrees (for tests and fuzzing).
enum class MemoMode { On, Off, Checked };
void SetReductionMemo(MemoMode mode);  // also forgets what was remembered

// While one lives, every multiplier the algebra applies to `factor` is
// recorded in order, so that the same operation on another number is
// repeated exactly, bit for bit, by multiplying it by them in turn. Not
// sound when the factor was put back after a step that failed. Traces nest
// (the innermost is ended first); a multiplier of another factor is not
// recorded.
class FactorTrace {
  public:
    explicit FactorTrace(double* factor);
    ~FactorTrace();
    FactorTrace(const FactorTrace&) = delete;
    FactorTrace& operator=(const FactorTrace&) = delete;
    bool sound() const { return sound_; }
    const std::vector<double>& scales() const { return scales_; }

    // Used by the algebra as it changes factors.
    void note(double* factor, double m);
    void spoil(double* factor);
    FactorTrace* outer() const { return outer_; }

  private:
    double* factor_;
    FactorTrace* outer_;
    std::vector<double> scales_;
    bool sound_ = true;
};

// A new expression holding one unit with the given prefix and exponent.
Uid ExpressionOf(Uid unit, int prefix = 0, int exponent = 1);
// A new expression holding the unit named `name`, or NULL_UID when missing.
Uid LookUpUnitExpression(const std::string& name);

}  // namespace kiv
