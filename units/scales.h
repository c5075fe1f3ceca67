// SPDX-License-Identifier: GPL-3.0-or-later
// Scales: units with a zero point (degC is the kelvin with its zero at
// 273.15 K), the absolute units they are defined on, and their difference
// units. A value is a reading exactly when its unit is one scale unit, to
// the power 1, with no prefix. A scale unit anywhere else (degC/s, degC2, a
// prefixed degC) stands for its difference unit: the plain algebra reads a
// scale by its magnitude alone, which is its degree size.
#pragma once

#include <string>

#include "units/unitrec.h"

namespace kiv {

struct Scale {
    Uid unit = NULL_UID;      // the scale's unit record
    double magnitude = 1;     // definition units per degree
    double zero = 0;          // the zero point in definition units
    Uid absolute = NULL_UID;  // the unit record the scale is defined on (K for degC)
};

// The scale unit record `unit` is; false for a unit without a usable zero
// point.
bool ScaleOfUnit(Uid unit, Scale* s);
// The scale of a reading: true when expression e is exactly one scale unit,
// to the power 1, with no prefix.
bool ReadingScale(Uid e, Scale* s = nullptr);
// The first unit defined as exactly the scale (power 1, no prefix, no zero
// point of its own); NULL_UID when the scale has none.
Uid DifferenceUnitOf(Uid scaleUnit);
// The name a message gives for a scale's difference: its difference unit,
// else the absolute unit.
std::string DifferenceName(const Scale& s);
// True when a component of e is a scale or a difference unit.
bool MentionsScale(Uid e);
// True when e is one unit, to the power 1 (any prefix), that is neither a
// scale nor a difference unit: K, degR, mK can hold an absolute
// temperature.
bool IsAbsoluteSingle(Uid e);

enum class ScaleResult {
    Plain,    // no reading and no scale target: the caller converts as always
    Done,     // *v is the quantity in b's unit
    Refused,  // the message has been shown; nothing changed
};
// Converts the number *v of unit a into unit b where zero points apply: a
// is a reading, or b is one scale unit alone (a reading then comes from a
// reading or from one absolute unit such as K). A difference converted into
// a scale, a reading into a difference, and a result below absolute zero
// are refused with a message. a and b stay the caller's.
ScaleResult ConvertReading(Uid a, Uid b, double* v);
// Consumes e. A result that holds one bare scale unit (a product whose
// other units cancelled) is a difference, not a reading: it is returned in
// the scale's difference unit (else in its absolute unit), the factor
// rescaled. Any other expression comes back as it is.
Uid AsDifference(Uid e, double* factor);
// Below absolute zero: a reading r of scale s is, when magnitude x r +
// zero point is negative.
bool BelowAbsoluteZero(const Scale& s, double r);

}  // namespace kiv
