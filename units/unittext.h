// The text form of unit expressions: SI prefix letters, names, exponent
// digits as the superscript bytes 0xC0-0xC9, numerator "/" denominator.
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

}  // namespace kiv
