// SPDX-License-Identifier: GPL-3.0-or-later
// Integer mode: n-byte two's-complement words (n = word size / 8), least
// significant byte first, and the integer keypad operations.
#pragma once

#include <cstdint>

namespace kiv {

struct Word {
    uint8_t b[16] = {};
};

// Word primitives at `bytes` = word size / 8 (1, 2, 4, 8 or 16).
bool WordIsZero(const Word& w, int bytes);
bool WordSignBit(const Word& w, int bytes);
bool WordAdd(const Word& a, const Word& b, Word* sum, int bytes, bool isSigned);  // overflow
bool WordSubtract(const Word& a, const Word& b, Word* diff, int bytes, bool isSigned);
void WordNegate(Word* w, int bytes);
bool WordMultiplySmall(Word* w, int m, int bytes);  // carry out
bool WordAddSmall(Word* w, int m, int bytes);       // carry out
int WordDivideSmall(Word* w, int d, int bytes);     // remainder
bool WordMultiply(const Word& a, const Word& b, Word* product, int bytes, bool isSigned);
// False only for a zero divisor.
bool WordDivide(const Word& a, const Word& b, Word* quotient, Word* remainder, int bytes,
                bool isSigned);
Word WordShift(const Word& w, int k, int bytes, bool isSigned);
Word WordRotate(const Word& w, int k, int bytes);
Word WordMask(int k, int bytes);
Word WordByteSwap(const Word& w, int bytes);
double WordToReal(const Word& w, int bytes, bool isSigned);
bool WordFromReal(double x, Word* w, int bytes);  // overflow
// The word as a signed count; false after 1308.
bool IntegerToCount(const Word& w, int bytes, int32_t* count);

// Shows 1313 when the warning preference is on.
void OverflowWarning();

// Keypad operations on the stack, in the operation frame.
enum class IntOp {
    Add,
    Subtract,
    Multiply,
    Divide,
    Mod,
    Negate,
    And,
    Or,
    Xor,
    Not,
    ByteSwap,
    ShiftLeft,
    ShiftRight,
    RotateLeft,
    RotateRight,
    MaskLow,
    MaskHigh,
};
// `alt` selects the second form ("and~", "s2<", "m2>", ...); arithmetic,
// negation, not and byte swap have none.
void ApplyIntOp(IntOp op, bool alt = false);

// Converts the stack and memories between floating and integer mode as
// needed, forgets the saved arguments and stores the radix (the caller
// relabels, refreshes menus and redraws). A switch that would change values
// asks 1344 first; No leaves mode and values as they were (false).
bool SwitchRadix(int radix);
// How many stack entries and memories a switch to `radix` would change: a
// real losing its unit, its fraction or what does not fit the word, an
// integer losing digits a double cannot hold.
int ValuesChangedBySwitch(int radix);
// Stores the new word size and refits every integer value.
void ChangeWordSize(int bits);

}  // namespace kiv
