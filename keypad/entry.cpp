// SPDX-License-Identifier: GPL-3.0-or-later
#include "keypad/entry.h"

#include <cstring>

#include "engine/format.h"
#include "engine/integer.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/unittext.h"
#include "window/calctext.h"

namespace kiv {

namespace {

constexpr char kCursor = '_';
constexpr char kDecimalCode = char(DECIMAL_MARK);

std::string g_prefixText;  // pendingPrefixText

// The entry field's view.
struct FieldView {
    std::string text;
    int left = 0;
    int right = 280;
    int hiddenLeft = 0;
    int hiddenRight = 0;
    // Control state last written, so that an unchanged view writes nothing.
    std::string leftCount = "?", rightCount = "?";
    int leftShown = -1, rightShown = -1;
};
FieldView g_view;

int Length() {
    return State::entryLength();
}

// The first entryLength characters of the line (without the cursor).
std::string LineText() {
    const int n = Length();
    if (n <= 0) return std::string();
    std::string s(size_t(n), '\0');
    for (int i = 0; i < n; ++i) s[size_t(i)] = char(State::entryChar(i));
    return s;
}

// Writes the cursor and the terminating zero behind position n.
void WriteCursor(int n) {
    const uint8_t tail[2] = {uint8_t(kCursor), 0};
    State::write(so::kEntryText + size_t(n), tail, 2);
}

// Replaces the whole line by `s` (at most kEntryMax characters).
void WriteLine(const std::string& s) {
    const int n = int(s.size() > size_t(kEntryMax) ? kEntryMax : s.size());
    if (n > 0) State::write(so::kEntryText, s.data(), size_t(n));
    WriteCursor(n);
    State::setEntryLength(n);
}

// Shortens the line to n characters.
void Truncate(int n) {
    if (n < 0) n = 0;
    WriteCursor(n);
    State::setEntryLength(n);
}

char LastChar() {
    const int n = Length();
    return n > 0 ? char(State::entryChar(n - 1)) : '\0';
}

// Removes the unit text: characters from the end up to and including the
// space that separates it from the number. The fields stay.
void RemoveUnitText() {
    int n = Length();
    while (n > 0 && char(State::entryChar(n - 1)) != ' ') --n;
    if (n > 0) --n;  // the space
    Truncate(n);
}

// Takes back the text of a pending prefix (step 3 of keyPrefix).
void TakeBackPendingPrefix() {
    if (State::pendingPrefix() == 0) return;
    State::setPendingPrefix(0);
    Truncate(Length() - int(g_prefixText.size()));
    g_prefixText.clear();
}

// Length of the number part: the unit part follows the last space.
int NumberLength(const std::string& line) {
    if (!hasUnitPart()) return int(line.size());
    const size_t sp = line.rfind(' ');
    return sp == std::string::npos ? int(line.size()) : int(sp);
}

// Writes the unit text (step 7 of attachUnit); strips the unit part when the
// space or the name does not fit.
void WriteUnitText() {
    if (ensureSpace() != 0) {
        stripUnitPart();
        return;
    }
    char name[kUnitNameMax + 1];
    if (FormatExpression(name, sizeof name, State::entryUnit()) != 0 || appendText(name) != 0) {
        stripUnitPart();
        return;
    }
    showEntryLine();
}

int MeasureSlice(const std::string& t, int from, int to) {
    if (to <= from) return 0;
    return MeasureText(t.data() + from, to - from, EntryFontPair());
}

void WriteCounts() {
    FieldView& v = g_view;
    Window& w = GetWindow();
    const std::string lc = v.hiddenLeft > 0 ? std::to_string(v.hiddenLeft) : std::string();
    const std::string rc = v.hiddenRight > 0 ? std::to_string(v.hiddenRight) : std::string();
    if (lc != v.leftCount) w.setControlText(300, lc), v.leftCount = lc;
    if (rc != v.rightCount) w.setControlText(301, rc), v.rightCount = rc;
    const int ls = v.hiddenLeft > 0, rs = v.hiddenRight > 0;
    if (ls != v.leftShown) w.showControl(2103, ls != 0), v.leftShown = ls;
    if (rs != v.rightShown) w.showControl(2104, rs != 0), v.rightShown = rs;
}

void Render(int from, int to) {
    FieldView& v = g_view;
    v.hiddenLeft = from;
    v.hiddenRight = int(v.text.size()) - to;
    RenderEntryText(v.text.data() + from, to - from, v.left, v.right, EntryFontPair());
    WriteCounts();
}

// Shows the longest tail ending at `end` that fits the box.
void ShowEndingAt(int end) {
    const std::string& t = g_view.text;
    const int w = entryBoxWidth();
    int lo = 0, hi = end;  // smallest start whose slice fits
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (MeasureSlice(t, mid, end) <= w)
            hi = mid;
        else
            lo = mid + 1;
    }
    Render(lo, end);
}

// Shows the longest head starting at `start` that fits the box.
void ShowStartingAt(int start) {
    const std::string& t = g_view.text;
    const int w = entryBoxWidth();
    int lo = start, hi = int(t.size());  // largest end whose slice fits
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (MeasureSlice(t, start, mid) <= w)
            lo = mid;
        else
            hi = mid - 1;
    }
    Render(start, lo);
}

}  // namespace

bool isEntryOpen() {
    return State::entryLength() >= 0;
}

bool hasUnitPart() {
    return State::entryUnit() != NULL_UID || State::pendingPrefix() != 0 || State::perState() != 0;
}

const std::string& pendingPrefixText() {
    return g_prefixText;
}

void resetEntryState() {
    g_prefixText.clear();
    SetReplaceTop(false);
    const int left = g_view.left, right = g_view.right;
    g_view = FieldView();
    g_view.left = left;
    g_view.right = right;
}

void openEntry() {
    if (isEntryOpen()) return;
    if (ReplaceTop()) {
        if (Depth() > 0) Drop();
        SetReplaceTop(false);
    }
    WriteLine(std::string());
    redrawStackList();
}

int appendChar(char c) {
    const int n = Length();
    if (n >= kEntryMax || n < 0) return 1;
    State::setEntryChar(n, uint8_t(c));
    WriteCursor(n + 1);
    State::setEntryLength(n + 1);
    return 0;
}

int appendText(const std::string& s) {
    const int n = Length();
    if (n < 0 || int(s.size()) + n >= kEntryMax) return 1;
    if (!s.empty()) State::write(so::kEntryText + size_t(n), s.data(), s.size());
    WriteCursor(n + int(s.size()));
    State::setEntryLength(n + int(s.size()));
    return 0;
}

int ensureSpace() {
    if (LastChar() == ' ') return 0;
    return appendChar(' ');
}

void keyDigit(int d) {
    const int r = State::radix();
    const int largest = r == 0 ? 9 : r - 1;
    if (d < 0 || d > largest) return;
    if (hasUnitPart()) commitEntry();
    openEntry();
    const char c = d <= 9 ? char('0' + d) : char('A' + (d - 10));
    if (appendChar(c) == 0) showEntryLine();
}

void keyDecimalPoint() {
    if (State::radix() != 0) return;
    if (hasUnitPart()) commitEntry();
    openEntry();
    const std::string line = LineText();
    if (line.find(kDecimalCode) != std::string::npos || line.find('e') != std::string::npos) return;
    if (appendChar(kDecimalCode) == 0) showEntryLine();
}

void keyExponent() {
    if (State::radix() != 0 || hasUnitPart()) return;
    openEntry();
    if (LineText().find('e') != std::string::npos) return;
    if (Length() == 0) appendChar('1');
    if (appendChar(' ') != 0) return;
    if (appendChar('e') != 0) {
        Truncate(Length() - 1);  // the line is left as it was
        return;
    }
    showEntryLine();
}

void keyChangeSign() {
    openEntry();
    std::string line = LineText();
    // Only the number is searched: a unit name or a pending prefix ("k-") may
    // hold the letter e or a "-" of its own.
    const size_t numberEnd = size_t(NumberLength(line));
    const size_t e = line.substr(0, numberEnd).find('e');
    const size_t from = e == std::string::npos ? 0 : e;
    const size_t minus = line.substr(0, numberEnd).find('-', from);
    if (minus != std::string::npos) {
        line.erase(minus, 1);
    } else {
        if (line.size() >= size_t(kEntryMax)) return;
        line.insert(e == std::string::npos ? 0 : e + 1, 1, '-');
    }
    WriteLine(line);
    showEntryLine();
}

void keyBackspace() {
    if (!isEntryOpen()) {
        if (Depth() > 0) {
            ForgetSavedArguments();
            Drop();
            refreshDisplay();
        }
        return;
    }
    const int n = Length();
    if (n <= 1) {
        // A unit part cannot normally survive on so short a line; should one,
        // it must not outlive the line.
        if (hasUnitPart()) clearUnitFields(true);
        WriteCursor(0);
        State::setEntryLength(-1);
        refreshDisplay();
        return;
    }
    if (hasUnitPart()) {
        stripUnitPart();
        return;
    }
    int m = n - 1;
    if (m > 0 && char(State::entryChar(m - 1)) == ' ') --m;
    Truncate(m);
    showEntryLine();
}

void stripUnitPart() {
    RemoveUnitText();
    clearUnitFields(true);
    showEntryLine();
}

void clearUnitFields(bool deleteUnit) {
    if (deleteUnit) DeleteExpression(State::entryUnit());
    State::setEntryUnit(NULL_UID);
    State::setPendingPrefix(0);
    g_prefixText.clear();
    if (State::perState() != 0) {
        State::setPerState(0);
        refreshLabels();
    }
}

void keyPrefix(int exponent) {
    // Exponent 0 has no prefix (its button is blank); it would leave a
    // stray "-" that no later key takes back.
    if (exponent == 0) return;
    openEntry();
    if (!hasUnitPart()) {
        if (Length() == 0) appendChar('1');
        if (ensureSpace() != 0) {
            stripUnitPart();
            return;
        }
        g_prefixText.clear();
    } else {
        TakeBackPendingPrefix();
        if (State::entryUnit() != NULL_UID && State::perState() != 2) g_prefixText.assign(1, '*');
    }
    char text[kPrefixTextMax + 2] = {};
    int n = int(g_prefixText.size());
    std::memcpy(text, g_prefixText.data(), size_t(n));
    n += PrefixLetter(text + n, kPrefixTextMax - n, exponent);
    text[n] = '-';
    g_prefixText.assign(text, size_t(n + 1));
    if (Length() + int(g_prefixText.size()) >= kEntryMax) {
        g_prefixText.clear();
        showEntryLine();
        return;
    }
    State::setPendingPrefix(int8_t(exponent));
    if (appendText(g_prefixText) != 0)
        stripUnitPart();
    else
        showEntryLine();
}

void keyPer() {
    if (State::radix() != 0) return;
    openEntry();
    if (State::perState() != 0) return;
    TakeBackPendingPrefix();
    if (!hasUnitPart()) {
        if (Length() == 0 && appendChar('1') != 0) return;
        if (ensureSpace() != 0 || appendChar('1') != 0) {
            stripUnitPart();
            return;
        }
    }
    State::setPerState(2);
    if (appendChar('/') != 0)
        stripUnitPart();
    else
        showEntryLine();
}

void attachUnit(Uid unit) {
    if (unit == NULL_UID) return;
    openEntry();
    if (hasUnitPart()) {
        RemoveUnitText();
    } else if (Length() == 0 && appendChar('1') != 0) {
        return;
    }
    const int per = State::perState();
    const Uid combined =
        Product(State::entryUnit(), unit, State::pendingPrefix(), per != 0 ? -1 : 1, 1, nullptr);
    State::setPendingPrefix(0);
    g_prefixText.clear();
    if (per == 2) State::setPerState(1);
    DeleteExpression(State::entryUnit());
    State::setEntryUnit(combined);
    WriteUnitText();
}

void refreshUnitText() {
    if (!isEntryOpen() || !hasUnitPart()) return;
    RemoveUnitText();
    WriteUnitText();
}

void forgetUnit(Uid unit) {
    if (unit == NULL_UID || State::entryUnit() != unit) return;
    clearUnitFields(false);
}

void commitEntry() {
    if (!isEntryOpen()) return;
    ForgetSavedArguments();
    const std::string text = LineText();
    State::setEntryChar(int(text.size()), 0);
    State::setEntryLength(-1);
    Value v;
    if (State::radix() != 0) {
        Word w;
        ParseInteger(text.c_str(), State::radix(), &w);
        const int bytes = State::wordSize() / 8;
        for (int i = bytes; i < 16; ++i) w.b[i] = 0;
        v = Value::Int(w.b);
        // Integer values carry no unit; one left from floating mode goes.
        DeleteExpression(State::entryUnit());
        State::setEntryUnit(NULL_UID);
    } else {
        double x = 0;
        ParseReal(text.c_str(), &x);
        const Uid u = MergeLikeUnits(State::entryUnit(), &x);
        DeleteExpression(State::entryUnit());
        State::setEntryUnit(NULL_UID);
        v = Value::Real(x, u);
    }
    Push(v);
    clearUnitFields(false);
}

void keyEnter() {
    bool committed = false;
    if (isEntryOpen()) {
        commitEntry();
        if (!State::hpStack()) return;
        committed = true;
    }
    if (Depth() == 0) return;
    ForgetSavedArguments();
    Value top;
    if (!Peek(0, &top)) return;
    if (top.isReal()) top.setUnit(DuplicateExpression(top.unit()));
    Push(top);
    SetReplaceTop(committed);
}

// ------------------------------------------------------------- the field

void setEntryBox(int left, int right) {
    g_view.left = left;
    g_view.right = right > left ? right : left;
}

int entryBoxWidth() {
    return g_view.right - g_view.left;
}

const std::string& fieldText() {
    return g_view.text;
}

int hiddenLeft() {
    return g_view.hiddenLeft;
}
int hiddenRight() {
    return g_view.hiddenRight;
}

void showEntryLine() {
    if (!isEntryOpen()) return;
    g_view.text = LineText();
    g_view.text += kCursor;
    ShowEndingAt(int(g_view.text.size()));
}

void showFieldText(const std::string& text, bool anchorEnd) {
    g_view.text = text;
    if (anchorEnd)
        ShowEndingAt(int(text.size()));
    else
        ShowStartingAt(0);
}

void clearField() {
    g_view.text.clear();
    Render(0, 0);
}

void scrollEntryLeft() {
    if (g_view.hiddenLeft <= 0) return;
    ShowStartingAt(g_view.hiddenLeft - 1);
}

void scrollEntryRight() {
    if (g_view.hiddenRight <= 0) return;
    ShowEndingAt(int(g_view.text.size()) - (g_view.hiddenRight - 1));
}

}  // namespace kiv
