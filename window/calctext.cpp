// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/calctext.h"

#include <algorithm>

namespace kiv {
namespace {

char g_decimal = '.';
char g_group = ',';

FontPair g_entryPair{FontId::EntryLarge, FontId::EntrySmall};
FontPair g_listPair{FontId::ListLarge, FontId::ListSmall};

// Every font's baseline is taken as this many pixels.
constexpr int kBaseline = 8;

// The bullet of the Windows ANSI code page, drawn for the decimal mark.
constexpr char kBullet = char(0x95);

char PlainForm(uint8_t c) {
    if (c == DECIMAL_MARK) return g_decimal;
    if (c >= SUPERSCRIPT_0 && c <= SUPERSCRIPT_0 + 9) return char('0' + (c - SUPERSCRIPT_0));
    return char(c);
}

}  // namespace

char DecimalSeparator() {
    return g_decimal;
}
char GroupSeparator() {
    return g_group;
}
void SetSeparators(char decimal, char group) {
    g_decimal = decimal;
    g_group = group;
}

char SeparatorFromLocale(const std::string& localeText, char fallback) {
    // An empty text would make the separator a zero byte, which ends strings.
    return localeText.size() == 1 && localeText[0] != '\0' ? localeText[0] : fallback;
}

std::pair<char, char> SeparatorsFromLocale(const std::string& decimalText,
                                           const std::string& groupText) {
    const char decimal = SeparatorFromLocale(decimalText, '.');
    char group = SeparatorFromLocale(groupText, ',');
    if (group == decimal) group = decimal == ',' ? '.' : ',';
    return {decimal, group};
}

FontPair MakeFontPair(FontId large, FontId small) {
    FontPair p;
    p.large = large;
    p.small = small;
    const int diff = kBaseline - kBaseline;
    p.baselineDiff = uint8_t(std::max(diff, 1));
    p.superRaise = uint8_t(std::clamp(GetWindow().textHeight(large) / 4, 2, 255));
    p.baseline = uint8_t(kBaseline);
    p.one = 1;
    p.two = 2;
    return p;
}

const FontPair& EntryFontPair() {
    return g_entryPair;
}
const FontPair& ListFontPair() {
    return g_listPair;
}

void CreateFonts() {
    g_entryPair = MakeFontPair(FontId::EntryLarge, FontId::EntrySmall);
    g_listPair = MakeFontPair(FontId::ListLarge, FontId::ListSmall);
}

DrawingScope::DrawingScope() {
    GetWindow().beginScope();
}

DrawingScope::~DrawingScope() {
    GetWindow().endScope();
}

LayoutResult LayoutText(const char* text, int count, int left, int right, const FontPair& pair,
                        bool render) {
    LayoutResult r;
    Window& win = GetWindow();
    int16_t x = int16_t(left);
    if (!text) count = 0;
    int pos = 0;
    while (pos < count) {
        int end = pos;
        while (end < count && !IsSpecialByte(uint8_t(text[end]))) ++end;
        int n = end - pos;
        if (n > 0) {
            int width = win.textWidth(pair.large, text + pos, n);
            while (n > 0 && x + width > right) {
                --n;
                r.overflowed = true;
                width = n > 0 ? win.textWidth(pair.large, text + pos, n) : 0;
            }
            if (render && n > 0)
                r.runs.push_back({std::string(text + pos, size_t(n)), RunKind::Plain});
            x = int16_t(x + width);
        }
        if (end >= count || r.overflowed) break;
        const uint8_t c = uint8_t(text[end]);
        const char glyph = c == DECIMAL_MARK ? kBullet : PlainForm(c);
        const int width = win.textWidth(pair.large, &glyph, 1);
        if (x + width > right) {
            r.overflowed = true;
            break;
        }
        if (render) {
            r.runs.push_back({std::string(1, glyph),
                              c == DECIMAL_MARK ? RunKind::DecimalMark : RunKind::Superscript});
        }
        x = int16_t(x + width);
        pos = end + 1;
    }
    r.width = int16_t(x - left);
    return r;
}

int16_t MeasureText(const char* text, int count, const FontPair& pair) {
    return int16_t(LayoutText(text, count, 0, 1000, pair, false).width);
}

int RenderEntryText(const char* text, int count, int left, int right, const FontPair& pair) {
    LayoutResult r = LayoutText(text, count, left, right, pair, true);
    GetWindow().renderEntry(r.runs);
    return r.width;
}

void ToPlainText(std::string& s) {
    for (char& c : s) c = PlainForm(uint8_t(c));
}

void ToPlainText(char* s) {
    if (!s) return;
    for (; *s; ++s) *s = PlainForm(uint8_t(*s));
}

}  // namespace kiv
