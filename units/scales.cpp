// SPDX-License-Identifier: GPL-3.0-or-later
#include "units/scales.h"

#include <cfloat>
#include <cmath>

#include "storage/maindb.h"
#include "storage/unitfields.h"
#include "units/algebra.h"
#include "units/unittext.h"
#include "window/messages.h"

namespace kiv {
namespace {

// The single component of expression e; false for any other count.
bool SingleComponent(Uid e, Component* c) {
    if (e == NULL_UID) return false;
    const int index = IndexOfUid(e);
    if (ComponentCountAt(index) != 1) return false;
    *c = ComponentsAt(index)[0];
    return true;
}

// The unit a unit record is defined as, when its definition is exactly one
// unit to the power 1 without a prefix.
Uid PlainDefinitionUnit(int index) {
    Component c;
    if (!SingleComponent(UnitDefinition(index), &c) || c.prefix != 0 || c.exponent != 1)
        return NULL_UID;
    return c.unit;
}

bool IsDifferenceUnit(Uid unit) {
    const int index = IndexOfUid(unit);
    double zero;
    if (index <= 0 || UnitZeroPoint(index, &zero)) return false;
    const Uid on = PlainDefinitionUnit(index);
    return on != NULL_UID && ScaleOfUnit(on, nullptr);
}

std::string UnitNameOf(Uid unit) {
    return UnitName(IndexOfUid(unit));
}

// Whether a (a copy is converted) has b's dimension.
bool SameDimension(Uid a, Uid b) {
    double f = 1;
    const Uid c = Convert(CopyExpression(a), b, &f);
    const bool same = ExpressionsEqual(c, b);
    DeleteExpression(c);
    return same;
}

}  // namespace

bool ScaleOfUnit(Uid unit, Scale* s) {
    const int index = IndexOfUid(unit);
    if (index <= 0) return false;
    // Every conversion asks; a unit without fields (nearly all) answers at once.
    const std::vector<uint8_t>& b = MainRecordBytes(index);
    if (UnitFieldsStart(b) >= b.size()) return false;
    double zero;
    if (!UnitZeroPoint(index, &zero) || !CanHaveZeroPoint(index)) return false;
    if (s) {
        s->unit = unit;
        s->magnitude = UnitMagnitude(index);
        s->zero = zero;
        s->absolute = PlainDefinitionUnit(index);
    }
    return true;
}

bool ReadingScale(Uid e, Scale* s) {
    if (e == NULL_UID) return false;
    const int index = IndexOfUid(e);
    if (ComponentCountAt(index) != 1) return false;
    // The one component read in place: unit, prefix 0, exponent 1.
    const std::vector<uint8_t>& b = MainRecordBytes(index);
    const size_t at = eo::kComponents;
    if (GetU8(b, at + 4) != 0 || GetU8(b, at + 5) != 1) return false;
    return ScaleOfUnit(GetU32(b, at), s);
}

Uid DifferenceUnitOf(Uid scaleUnit) {
    const Database* db = MainDb();
    if (!db) return NULL_UID;
    double zero;
    for (int i = 1; i < db->count(); ++i)
        if (IsUnitRecord(i) && PlainDefinitionUnit(i) == scaleUnit && !UnitZeroPoint(i, &zero) &&
            std::isfinite(UnitMagnitude(i)) && UnitMagnitude(i) != 0)
            return db->uid(i);
    return NULL_UID;
}

std::string DifferenceName(const Scale& s) {
    const Uid diff = DifferenceUnitOf(s.unit);
    return UnitNameOf(diff != NULL_UID ? diff : s.absolute);
}

bool MentionsScale(Uid e) {
    if (e == NULL_UID) return false;
    for (const Component& c : ComponentsAt(IndexOfUid(e)))
        if (ScaleOfUnit(c.unit, nullptr) || IsDifferenceUnit(c.unit)) return true;
    return false;
}

bool IsAbsoluteSingle(Uid e) {
    Component c;
    return SingleComponent(e, &c) && c.exponent == 1 && !ScaleOfUnit(c.unit, nullptr) &&
           !IsDifferenceUnit(c.unit);
}

bool BelowAbsoluteZero(const Scale& s, double r) {
    return s.magnitude * r + s.zero < 0;
}

ScaleResult ConvertReading(Uid a, Uid b, double* v) {
    Scale sa, sb;
    const bool ra = ReadingScale(a, &sa), rb = ReadingScale(b, &sb);
    if (!ra && !rb) return ScaleResult::Plain;
    if (ra && BelowAbsoluteZero(sa, *v)) {
        ShowCodedMessage(MSG_BELOW_ABSOLUTE_ZERO);
        return ScaleResult::Refused;
    }
    if (ra && rb && sa.unit == sb.unit) return ScaleResult::Done;
    // The quantity as an absolute amount in w units of `from`.
    const Uid from = ra ? ExpressionOf(sa.absolute) : NULL_UID;
    double w = ra ? sa.magnitude * *v + sa.zero : *v;
    const Uid source = ra ? from : a;
    if (rb) {
        const Uid absB = ExpressionOf(sb.absolute);
        const Uid c = Convert(CopyExpression(source), absB, &w);
        const bool same = ExpressionsEqual(c, absB);
        DeleteExpression(c);
        DeleteExpression(absB);
        DeleteExpression(from);
        if (!same) return ScaleResult::Plain;
        if (!ra && !IsAbsoluteSingle(a)) {
            // A difference never becomes a reading.
            const std::string text = ExpressionText(a);
            ShowCodedMessage(MSG_NOT_A_READING, text.c_str(), DifferenceName(sb).c_str());
            return ScaleResult::Refused;
        }
        if (w < 0) {
            ShowCodedMessage(MSG_BELOW_ABSOLUTE_ZERO);
            return ScaleResult::Refused;
        }
        // At the zero point itself the two terms cancel; what is left is
        // rounding of the conversion (491.67 degR is 0 degC, not 6e-14).
        const double d = w - sb.zero;
        const bool cancels =
            std::fabs(d) <= 8 * DBL_EPSILON * std::fmax(std::fabs(w), std::fabs(sb.zero));
        *v = cancels ? 0.0 : d / sb.magnitude;
        return ScaleResult::Done;
    }
    // A reading into a unit that is no scale: an absolute unit takes the
    // absolute temperature; a difference unit of the same dimension cannot
    // hold a reading.
    if (MentionsScale(b)) {
        const bool same = SameDimension(from, b);
        DeleteExpression(from);
        if (!same) return ScaleResult::Plain;
        const std::string text = ExpressionText(b);
        ShowCodedMessage(MSG_READING_NOT_DIFFERENCE, text.c_str(), UnitNameOf(sa.absolute).c_str());
        return ScaleResult::Refused;
    }
    const Uid c = Convert(from, b, &w);
    const bool same = ExpressionsEqual(c, b);
    DeleteExpression(c);
    if (!same) return ScaleResult::Plain;
    *v = w;
    return ScaleResult::Done;
}

Uid AsDifference(Uid e, double* factor) {
    Scale s;
    if (!ReadingScale(e, &s)) return e;
    const Uid diff = DifferenceUnitOf(s.unit);
    const Uid out = ExpressionOf(diff != NULL_UID ? diff : s.absolute);
    if (out == NULL_UID) return e;
    // One scale degree is 1 / m difference units (the difference unit is m
    // scale degrees), or `magnitude` absolute units.
    const double m = diff != NULL_UID ? UnitMagnitude(IndexOfUid(diff)) : 0;
    if (factor) *factor = diff != NULL_UID ? *factor / m : *factor * s.magnitude;
    DeleteExpression(e);
    return out;
}

}  // namespace kiv
