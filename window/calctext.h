// SPDX-License-Identifier: GPL-3.0-or-later
// Calculator text: 8-bit text in which 0xCA is the decimal mark and
// 0xC0-0xC9 are superscript digits. Measuring and rendering share one
// layout walk, so both apply the same fitting, cutting and stopping rules.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "window/window.h"

namespace kiv {

inline constexpr uint8_t DECIMAL_MARK = 0xCA;
inline constexpr uint8_t SUPERSCRIPT_0 = 0xC0;
inline bool IsSpecialByte(uint8_t c) {
    return c >= 0xC0 && c <= 0xCA;
}

// The process-wide separators, read from the locale at start-up.
char DecimalSeparator();
char GroupSeparator();
void SetSeparators(char decimal, char group);
// The one-character rule: a locale text of exactly one character is used,
// anything else gives the default.
char SeparatorFromLocale(const std::string& localeText, char fallback);
// Both separators from the locale's texts (8-bit, as the host converted
// them): the one-character rule for each, then a group separator equal to
// the decimal one gives way to "." beside "," and "," beside anything else,
// so that a copied number pastes back as the same number.
std::pair<char, char> SeparatorsFromLocale(const std::string& decimalText,
                                           const std::string& groupText);

struct FontPair {
    FontId large = FontId::EntryLarge;
    FontId small = FontId::EntrySmall;
    uint8_t baselineDiff = 1;
    uint8_t superRaise = 2;
    uint8_t baseline = 8;
    uint8_t one = 1;
    uint8_t two = 2;
};
// Computes the metric fields from the window's measurements.
FontPair MakeFontPair(FontId large, FontId small);
const FontPair& EntryFontPair();
const FontPair& ListFontPair();
void CreateFonts();  // computes both pairs

// Drawing scopes nest: the window batches repaints until the outermost
// scope closes.
class DrawingScope {
  public:
    DrawingScope();
    ~DrawingScope();
    DrawingScope(const DrawingScope&) = delete;
    DrawingScope& operator=(const DrawingScope&) = delete;
};

struct LayoutResult {
    int width = 0;  // x - left, low 16 bits meaningful
    std::vector<EntryRun> runs;
    bool overflowed = false;
};
// The layout walk over `count` bytes in a box [left, right].
LayoutResult LayoutText(const char* text, int count, int left, int right, const FontPair& pair,
                        bool render);
int16_t MeasureText(const char* text, int count, const FontPair& pair);
// Renders into the entry line through the window; returns the width used.
int RenderEntryText(const char* text, int count, int left, int right, const FontPair& pair);
// Converts special bytes in place: superscripts to digits, 0xCA to the
// decimal separator. Keeps the length.
void ToPlainText(std::string& s);
void ToPlainText(char* s);

}  // namespace kiv
