// SPDX-License-Identifier: GPL-3.0-or-later
// The text form of unit expressions: SI prefix letters, names, exponent
// digits as the superscript bytes 0xC0-0xC9, numerator "/" denominator;
// and the reading of that form back into an expression.
#pragma once

#include <string>

#include "storage/database.h"

namespace kiv {

// Writes the prefix letter ("?" for a power without letter) when room > 0
// and power != 0. Returns the characters written (0 or 1).
int PrefixLetter(char* buf, int room, int power);
int PrefixPower(char letter);  // 0 for a letter outside the table
// Prefix letter, name, exponent digits (when not 1; a negative exponent
// has a plain "-" before its digits). Characters written, 0 on failure.
int FormatComponent(char* buf, int room, Uid unit, int prefix, int exponent);
// 0 success, 1 when the buffer (size bytes including the zero) is too small
// or the expression does not resolve. NULL_UID writes the empty text.
int FormatExpression(char* buf, int size, Uid e);
// Convenience: the text, or "" on failure.
std::string ExpressionText(Uid e, int size = 200);
// The whole text however long (files hold it; the display's buffers cut it);
// "" when the expression does not resolve.
std::string WholeExpressionText(Uid e);

// Reads the factors of an expression from s[p] to the end into `e`: names
// with SI prefixes, exponent digits, "*", "/" (every factor after it is in
// the denominator), a "1" before "/", blanks. `magnitude` (when given) takes
// every change of scale that merging a prefix brings. An exponent out of
// range shows message 1330 and skips its factor. False on a factor that is
// no unit name; `bad` (when given) is then where that factor starts.
// A letter of a unit name as text reads it (a-z, A-Z).
bool IsNameLetter(char c);
// The unsigned decimal number at s[*p], *p moved past it; values beyond any
// valid one stay above every limit instead of wrapping.
int ReadCount(const std::string& s, size_t* p);

bool ReadExpressionFactors(const std::string& s, size_t p, Uid e, double* magnitude,
                           size_t* bad = nullptr);

// Reads a unit expression in the form the lists and Copy write it (names
// with SI prefixes, exponent digits, "*", "/", a "1" before "/") into a new
// expression; factors merge only where unit and prefix are equal, so no
// scale changes. NULL_UID with *ok true for no factors. On a factor that
// names no unit: NULL_UID, *ok false and `unknown` (when given) that
// factor's text; nothing is left behind.
Uid ReadUnitExpression(const std::string& text, bool* ok, std::string* unknown);

}  // namespace kiv
