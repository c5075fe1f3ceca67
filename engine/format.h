// SPDX-License-Identifier: GPL-3.0-or-later
// Number formatting and parsing. Real text carries the decimal point as
// 0xCA; integer text uses digits 0-9 and A-Z.
#pragma once

#include <cstdint>
#include <string>

#include "engine/integer.h"
#include "storage/value.h"
#include "window/calctext.h"

namespace kiv {

// Writes into dest (size bytes including the zero). widthLimit 0 = none;
// pair null = no measuring and no grouping of reals.
void FormatValue(char* dest, int size, const Value& v, int widthLimit, int precision,
                 const FontPair* pair);
void FormatReal(char* dest, int size, double x, Uid unit, int widthLimit, int precision,
                const FontPair* pair);
// FormatReal in two steps, for many numbers of one unit: the unit's suffix
// (what follows the number), then a number with it.
std::string RealUnitSuffix(Uid unit);
void FormatRealWithSuffix(char* dest, int size, double x, const char* suffix, int widthLimit,
                          int precision, const FontPair* pair);
void FormatInteger(char* dest, int size, const Word& w, int widthLimit, const FontPair* pair);
std::string FormatValueText(const Value& v, int widthLimit, int precision, const FontPair* pair,
                            int size = 200);

// Returns the position after the number. 1308 and 0 when not finite.
const char* ParseReal(const char* text, double* dest);
// Radix 2..36 at the current word size; the overflow warning on overflow.
const char* ParseInteger(const char* text, int radix, Word* dest);
int DigitsOfWord(int wordSize, int radix);

}  // namespace kiv
