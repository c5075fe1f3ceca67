// SPDX-License-Identifier: GPL-3.0-or-later
#include "keypad/dispatch.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/format.h"
#include "engine/integer.h"
#include "engine/stack.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "res/resource.h"
#include "storage/holders.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/unittext.h"
#include "window/calctext.h"
#include "window/messages.h"
#include "window/window.h"

namespace kiv {

bool assignMode = false;
Uid assignUnit = NULL_UID;
Uid chosenUnit = NULL_UID;
char unitDialogLetter = 0;

namespace {

constexpr int kTopTextMax = 195;     // the top of the stack in the entry field
constexpr int kPromptNameMax = 187;  // the unit name in the assign prompt

int g_listWidth = 280;
int g_listRows = 5;

// The number of the value Set button took from the stack for assignUnit,
// so that a cancelled flow gives the value back.
bool g_assignTookValue = false;
double g_assignNumber = 0;

// Runs while the units code deletes the entry line's unit.
void EntryUnitForgotten() {
    clearUnitFields(false);
    refreshLabels();
}

// The top of the stack as the entry field shows it; false when the stack
// is empty. `anchorEnd` is set for integers.
bool TopText(std::string* text, bool* anchorEnd) {
    Value v;
    if (!Peek(0, &v)) return false;
    char buf[kTopTextMax + 1];
    if (v.isInt()) {
        FormatValue(buf, sizeof buf, v, 0, State::floatPrecision(), &EntryFontPair());
        *anchorEnd = true;
    } else {
        const int full = State::fullDisplay();
        const int digits = full == 2 ? 16 : State::floatPrecision();
        const int width = full == 0 ? entryBoxWidth() : 0;
        FormatValue(buf, sizeof buf, v, width, digits, &EntryFontPair());
        *anchorEnd = false;
    }
    *text = buf;
    return true;
}

// The flow ends: nothing waits for a button any more.
void EndAssign() {
    assignUnit = NULL_UID;
    assignMode = false;
    g_assignTookValue = false;
    refreshLabels();
    refreshDisplay();
}

void AssignToButton(int id) {
    const KeypadEntry* e = keypadEntry(id);
    const int slot = e ? currentSlot(*e) : -1;
    if (slot >= 0) {
        setSlot(slot, assignUnit);
    } else {
        DeleteExpression(assignUnit);
    }
    EndAssign();
}

// The integer-mode characters: commit, the operation, alt off, redraw.
void IntChar(IntOp op, bool usesAlt) {
    commitEntry();
    ApplyIntOp(op, usesAlt && State::altShift());
    if (usesAlt) altOff();
    refreshDisplay();
}

bool IsPasteBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsPasteDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsPasteLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What a paste holds: one number in the current mode's form (the locale's
// separators, group separators only between whole groups), then, in
// floating mode, blanks and a unit text as Copy writes it.
enum class PasteForm { Number, NotNumber, BadGroups };
struct PastedValue {
    std::string number;  // the number without its group separators
    std::string unit;    // the unit text, empty when none
    int group = 0;       // the group size the separators had to keep
};

PasteForm ReadPastedValue(const std::string& text, PastedValue* out) {
    const char dec = DecimalSeparator(), grp = GroupSeparator();
    const int radix = State::radix();
    const bool integer = radix != 0;
    size_t begin = 0, end = text.size();
    while (begin < end && IsPasteBlank(text[begin])) ++begin;
    while (end > begin && IsPasteBlank(text[end - 1])) --end;
    const std::string t = text.substr(begin, end - begin);
    const size_t n = t.size();
    auto at = [&](size_t i) { return i < n ? t[i] : '\0'; };
    auto isDigit = [&](char c) {
        if (!integer) return IsPasteDigit(c);
        int d = -1;
        if (IsPasteDigit(c)) d = c - '0';
        if (c >= 'a' && c <= 'z') d = 10 + (c - 'a');
        if (c >= 'A' && c <= 'Z') d = 10 + (c - 'A');
        return d >= 0 && d < radix;
    };
    // Groups as the display writes them; a size of 0 (grouping off) still
    // reads the common groups of three.
    out->group = State::groupSize(radix);
    if (out->group == 0) out->group = 3;
    size_t p = 0;
    std::string& number = out->number;
    if (at(p) == '-') number += t[p++];
    // Integer digits: the first group 1..size digits, every later one size.
    int digits = 0, run = 0, groups = 0;
    bool badGroups = false;
    for (;; ++p) {
        const char c = at(p);
        if (isDigit(c)) {
            number += c;
            ++digits, ++run;
        } else if (c == grp && grp != dec && digits > 0 && isDigit(at(p + 1))) {
            if (groups == 0 ? run > out->group : run != out->group) badGroups = true;
            ++groups;
            run = 0;
        } else {
            break;
        }
    }
    if (groups > 0 && run != out->group) badGroups = true;
    if (!integer && at(p) == dec) {
        number += t[p++];
        for (; IsPasteDigit(at(p)); ++p, ++digits) number += t[p];
        // A group separator after the decimal mark is the mistake of a
        // text written under the other convention ("1,5" for 1.5).
        if (at(p) == grp && IsPasteDigit(at(p + 1))) badGroups = true;
    }
    if (digits == 0) return PasteForm::NotNumber;
    if (badGroups) return PasteForm::BadGroups;
    if (!integer) {
        size_t q = at(p) == ' ' ? p + 1 : p;
        if (at(q) == 'e' || at(q) == 'E') {
            size_t r = q + 1;
            std::string power = "e";
            if (at(r) == '-')
                power += t[r++];
            else if (at(r) == '+')
                ++r;
            if (IsPasteDigit(at(r))) {
                for (; IsPasteDigit(at(r)); ++r) power += t[r];
                number += power;
                p = r;
            } else if (q == p) {
                return PasteForm::NotNumber;  // "2e" or "2ex": no power, no unit
            }
        }
    }
    if (p == n) return PasteForm::Number;
    // Only floating mode takes a unit, after blanks, starting as a unit
    // text starts.
    if (integer || !IsPasteBlank(t[p])) return PasteForm::NotNumber;
    while (IsPasteBlank(at(p))) ++p;
    if (!(IsPasteLetter(at(p)) || (uint8_t(at(p)) >= 0x80) || (at(p) == '1' && at(p + 1) == '/')))
        return PasteForm::NotNumber;
    out->unit = t.substr(p);
    return PasteForm::Number;
}

// The keys pasted characters stand for, each by the first rule that
// matches; characters that key nothing (blanks, group separators, digits
// not below the radix) are left out. Letters are digits in integer mode, so
// that every radix pastes what it shows.
enum class PasteKind { Digit, Exponent, Point, Sign };
struct PasteKey {
    PasteKind kind;
    int digit = 0;
};

std::vector<PasteKey> PasteKeys(const std::string& text) {
    const char sep = DecimalSeparator();
    const int radix = State::radix();
    const bool integer = radix != 0;
    std::vector<PasteKey> keys;
    for (const char c : text) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if ((c == 'e' || c == 'E') && !integer)
            keys.push_back({PasteKind::Exponent});
        else if (c >= 'a' && c <= 'z')
            d = 10 + (c - 'a');
        else if (c >= 'A' && c <= 'Z')
            d = 10 + (c - 'A');
        else if (c == sep && !integer)
            keys.push_back({PasteKind::Point});
        else if (c == '-')
            keys.push_back({PasteKind::Sign});
        if (d >= 0 && d < (integer ? radix : 10)) keys.push_back({PasteKind::Digit, d});
    }
    return keys;
}

// Characters the keys add to the line at most ("e" comes with its space).
int PastedLength(const std::vector<PasteKey>& keys) {
    int n = 0;
    for (const PasteKey& k : keys) n += k.kind == PasteKind::Exponent ? 2 : 1;
    return n;
}

// Leading zeros carry no value on a new line; they go when the text would
// not fit otherwise (a padded word of 128 binary digits and its sign).
void DropLeadingZeros(std::vector<PasteKey>* keys) {
    std::vector<PasteKey> out;
    bool leading = true;
    for (size_t i = 0; i < keys->size(); ++i) {
        const PasteKey& k = (*keys)[i];
        const bool nextIsDigit = i + 1 < keys->size() && (*keys)[i + 1].kind == PasteKind::Digit;
        if (k.kind == PasteKind::Digit && k.digit != 0) leading = false;
        if (k.kind == PasteKind::Point || k.kind == PasteKind::Exponent) leading = false;
        if (leading && k.kind == PasteKind::Digit && k.digit == 0 && nextIsDigit) continue;
        out.push_back(k);
    }
    *keys = std::move(out);
}

void TypeKeys(const std::vector<PasteKey>& keys) {
    for (const PasteKey& k : keys) {
        switch (k.kind) {
            case PasteKind::Digit:
                keyDigit(k.digit);
                break;
            case PasteKind::Exponent:
                keyExponent();
                break;
            case PasteKind::Point:
                keyDecimalPoint();
                break;
            case PasteKind::Sign:
                keyChangeSign();
                break;
        }
    }
}

}  // namespace

void initKeypad() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProcessUnit(&assignUnit, "assignUnit");
    RegisterProcessUnit(&chosenUnit, "chosenUnit");
    SetEntryUnitForgottenHook(&EntryUnitForgotten);
}

void onButton(int id) {
    initKeypad();
    if (id < IDC_BUTTON_FIRST || id > IDC_BUTTON_LAST) return;
    if (assignMode && id != 2000) {
        AssignToButton(id);
        return;
    }
    const KeypadEntry* e = keypadEntry(id);
    e->action(*e, id);
}

void onKeyCommand(int command) {
    int ch = 0;
    if (command >= 3000 && command <= 3009) {
        ch = '0' + (command - 3000);
    } else if (command >= 3010 && command <= 3035) {
        ch = 'a' + (command - 3010);
    } else {
        switch (command) {
            case 3050:
                ch = '.';
                break;
            case 3051:
                ch = 10;
                break;
            case 3052:
                ch = '+';
                break;
            case 3053:
                ch = '-';
                break;
            case 3054:
                ch = '*';
                break;
            case 3055:
                ch = '/';
                break;
            case 3056:
                ch = 8;
                break;
            case 3057:
                ch = '^';
                break;
            case 3058:
                ch = '&';
                break;
            case 3060:
                ch = '~';
                break;
            case 3061:
                ch = '%';
                break;
            case 3062:
                ch = '|';
                break;
            case 3063:
                ch = '<';
                break;
            case 3064:
                ch = '>';
                break;
            case 3065:
                ch = '=';
                break;
            case 3066:
                ch = ':';
                break;
            case 3067:
                ch = '#';
                break;
            default:
                ch = 0;
                break;
        }
    }
    onChar(ch);
}

bool onChar(int ch) {
    initKeypad();
    const bool integer = State::radix() != 0;
    if (ch >= 'A' && ch <= 'Z') ch = ch - 'A' + 'a';
    if (ch >= '0' && ch <= '9') {
        keyDigit(ch - '0');
        return true;
    }
    if (ch >= 'a' && ch <= 'z') {
        if (integer) {
            keyDigit(10 + (ch - 'a'));
        } else if (ch == 'e') {
            keyExponent();
        } else {
            unitDialogLetter = char(ch);
            GetWindow().runDialog(Window::DialogKind::Units);
            if (chosenUnit != NULL_UID) onUnitChosen();
        }
        return true;
    }
    switch (ch) {
        case 8:
            keyBackspace();
            return true;
        case 10:
        case 13:
            keyEnter();
            refreshDisplay();
            return true;
        case '+':
            addKey();
            return true;
        case '-':
            subtractKey();
            return true;
        case '*':
            multiplyKey();
            return true;
        case '/':
            divideKey();
            return true;
        case '.':
            keyDecimalPoint();
            return true;
        case '=':
        case ':':
        case '#': {
            // Keys of buttons that have no character: each presses its
            // button while the button shows the action the key is for.
            const int id = ch == '=' ? 2023 : ch == ':' ? 2029 : 2035;
            if (buttonKeyName(id) != std::string(1, char(ch))) return false;
            onButton(id);
            return true;
        }
        default:
            break;
    }
    if (!integer) return false;
    switch (ch) {
        case '%':
            IntChar(IntOp::Mod, false);
            return true;
        case '&':
            IntChar(IntOp::And, true);
            return true;
        case '|':
            IntChar(IntOp::Or, true);
            return true;
        case '^':
            IntChar(IntOp::Xor, true);
            return true;
        case '<':
            IntChar(IntOp::ShiftLeft, true);
            return true;
        case '>':
            IntChar(IntOp::ShiftRight, true);
            return true;
        case '~':
            IntChar(IntOp::Not, false);
            return true;
        default:
            return false;
    }
}

void onScrollButton(int id) {
    if (id == IDC_SCROLL_LEFT) scrollEntryLeft();
    if (id == IDC_SCROLL_RIGHT) scrollEntryRight();
}

void startAssign() {
    initKeypad();
    if (State::radix() != 0) return;
    commitEntry();
    Uid unit = NULL_UID;
    if (Depth() > 0) {
        Value v;
        if (!Pop(&v)) {
            refreshDisplay();
            return;
        }
        if (!v.isReal() || v.real() != 1.0) {
            if (ShowCodedMessage(MSG_UNITS_ONLY) != 0) {
                Push(v);
                onUnitChosen();
                return;
            }
        }
        unit = OwnedUnit(v);
        beginAssign(unit);
        g_assignTookValue = v.isReal();
        g_assignNumber = v.real();
    } else {
        beginAssign(unit);
    }
    ForgetSavedArguments();
    refreshLabels();
    refreshDisplay();
}

bool cancelAssign() {
    initKeypad();
    if (!assignMode) return false;
    if (g_assignTookValue)
        Push(Value::Real(g_assignNumber, assignUnit));  // the stack owns the unit again
    else
        DeleteExpression(assignUnit);
    EndAssign();
    return true;
}

void beginAssign(Uid unit) {
    initKeypad();
    // A flow that was still waiting gives its unit up.
    if (assignUnit != NULL_UID && assignUnit != unit) DeleteExpression(assignUnit);
    assignUnit = unit;
    assignMode = true;
    g_assignTookValue = false;
}

void onUnitChosen() {
    initKeypad();
    if (chosenUnit != NULL_UID) {
        // Units belong to floating mode; a hand-over in integer mode is
        // dropped rather than put on an integer line.
        if (State::radix() == 0) attachUnit(chosenUnit);
        DeleteExpression(chosenUnit);
        chosenUnit = NULL_UID;
    }
    refreshLabels();
    refreshDisplay();
}

void refreshDisplay() {
    initKeypad();
    if (assignMode) {
        std::string prompt = "Key to clear?";
        if (assignUnit != NULL_UID) {
            char name[kPromptNameMax + 1];
            if (FormatExpression(name, sizeof name, assignUnit) != 0) name[0] = 0;
            prompt = std::string("Key for ") + name + "?";
        }
        showFieldText(prompt, false);
        return;
    }
    if (isEntryOpen()) {
        showEntryLine();
    } else {
        std::string text;
        bool anchorEnd = false;
        if (TopText(&text, &anchorEnd))
            showFieldText(text, anchorEnd);
        else
            clearField();
    }
    redrawStackList();
}

void redrawStackList() {
    const int depth = Depth();
    const bool open = isEntryOpen();
    const int lines = open ? depth : depth - 1;
    const int count = lines > g_listRows ? lines : g_listRows;
    std::vector<std::string> rows;
    rows.reserve(size_t(count > 0 ? count : 0));
    const FontPair& pair = ListFontPair();
    char buf[256];
    for (int n = count - 1; n >= 0; --n) {
        const int level = open ? n : n + 1;
        Value v;
        if (level >= depth || !Peek(level, &v)) {
            rows.emplace_back();
            continue;
        }
        int used = std::snprintf(buf, sizeof buf, "%d) ", n + 1);
        const int width = g_listWidth - MeasureText(buf, used, pair);
        FormatValue(buf + used, int(sizeof buf) - used, v, width > 1 ? width : 1,
                    State::floatPrecision(), &pair);
        ToPlainText(buf);
        rows.emplace_back(buf);
    }
    GetWindow().setStackList(rows);
    // Blank unit buttons alone would not say why: while no unit exists,
    // the empty list says how to import a unit list.
    GetWindow().setStackHint(lines <= 0 && noUnitsYet() ? ComposeCodedMessage(MSG_NO_UNITS).text
                                                        : std::string());
}

void showBusy() {
    showFieldText("-- Working --", false);
}

void setSlot(int slot, Uid unit) {
    if (slot < 0 || slot >= so::kUserSlots) {
        DeleteExpression(unit);  // nowhere to keep it
        return;
    }
    const Uid old = State::userButton(slot);
    if (old != unit) DeleteExpression(old);
    State::setUserButton(slot, unit);
}

void writeButtonLines(std::string& out) {
    for (int slot = 0; slot < so::kUserSlots; ++slot) {
        const Uid u = State::userButton(slot);
        if (u == NULL_UID) continue;
        // The whole text: a cut one would read back as another unit, or not at all.
        std::string name = WholeExpressionText(u);
        ToPlainText(name);
        if (name.empty()) continue;
        out += ".btn\t" + std::to_string(slot) + "\t1 " + name + "\n";
    }
}

void onWordSizeCommand(int command) {
    if (command < ID_WORD_8 || command > ID_WORD_128) return;
    commitEntry();
    setWordSize(8 << (command - ID_WORD_8));
}

void onRadixCommand(int command) {
    static const int kRadix[5] = {0, 16, 10, 8, 2};
    if (command < ID_RADIX_FLOAT || command > ID_RADIX_STACK) return;
    commitEntry();
    int radix = 0;
    if (command == ID_RADIX_STACK) {
        // Kept so that a switch declined gives the radix back.
        Value top;
        const bool had = Peek(0, &top);
        if (had && top.isReal()) top.setUnit(DuplicateExpression(top.unit()));
        if (!radixFromStack(&radix)) {
            if (had) DeleteExpression(OwnedUnit(top));
            refreshDisplay();
            return;
        }
        if (!setRadix(radix) && had) {
            Push(top);
            refreshDisplay();
        } else if (had) {
            DeleteExpression(OwnedUnit(top));
        }
        return;
    }
    radix = kRadix[command - ID_RADIX_FLOAT];
    setRadix(radix);
}

void setWordSize(int bits) {
    if (bits != 8 && bits != 16 && bits != 32 && bits != 64 && bits != 128) return;
    ChangeWordSize(bits);
    refreshDisplay();
}

bool setRadix(int radix) {
    if (radix != 0 && (radix < 2 || radix > 36)) return false;
    if (!SwitchRadix(radix)) {
        refreshDisplay();
        return false;
    }
    State::setUnitKeypad(0);
    refreshLabels();
    UpdateMenuState();
    refreshDisplay();
    return true;
}

bool radixFromStack(int* radix) {
    int32_t n = 0;
    if (!PopCount(&n)) return false;  // forgets the saved arguments
    if (n < 2 || n > 36) {
        ShowCodedMessage(MSG_BASE_RANGE);
        return false;
    }
    *radix = int(n);
    return true;
}

void PasteText(const std::string& text) {
    const std::string pasted = text.substr(0, text.find('\0'));
    // Text that is not one value types nothing and says why.
    PastedValue value;
    const PasteForm form = ReadPastedValue(pasted, &value);
    if (form != PasteForm::Number) {
        std::string shown = pasted;
        while (!shown.empty() && IsPasteBlank(shown.back())) shown.pop_back();
        shown.erase(0, std::min(shown.size(), shown.find_first_not_of(" \t\r\n")));
        for (char& c : shown)
            if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        if (shown.size() > 40) shown = shown.substr(0, 37) + "...";
        const std::string separator(
            1, form == PasteForm::BadGroups ? GroupSeparator() : DecimalSeparator());
        const std::string radix = std::to_string(State::radix());
        const std::string group = std::to_string(value.group);
        if (form == PasteForm::BadGroups)
            ShowCodedMessage(MSG_PASTE_GROUPS, shown.c_str(), separator.c_str(), group.c_str());
        else if (State::radix() != 0)
            ShowCodedMessage(MSG_PASTE_NOT_INTEGER, shown.c_str(), radix.c_str());
        else
            ShowCodedMessage(MSG_PASTE_NOT_NUMBER, shown.c_str(), separator.c_str());
        return;
    }
    const bool withUnit = !value.unit.empty();
    // The unit is read, and the room checked, before anything is typed:
    // text that cannot be pasted whole types nothing at all.
    Uid unit = NULL_UID;
    int unitLength = 0;
    if (withUnit) {
        bool ok = false;
        std::string unknown;
        unit = ReadUnitExpression(value.unit, &ok, &unknown);
        if (!ok) {
            ShowCodedMessage(MSG_PASTE_NO_UNIT, unknown.c_str());
            return;
        }
        char name[kUnitNameMax + 1];
        unitLength = FormatExpression(name, sizeof name, unit) == 0 ? 1 + int(std::strlen(name))
                                                                    : kEntryMax + 1;
    }
    // A unit's name is appended only while the line stays below its limit.
    const int room = withUnit ? kEntryMax - 1 : kEntryMax;
    std::vector<PasteKey> keys = PasteKeys(value.number);
    if (PastedLength(keys) + unitLength > room) DropLeadingZeros(&keys);
    if (PastedLength(keys) + unitLength > room) {
        DeleteExpression(unit);
        ShowCodedMessage(MSG_PASTE_TOO_LONG);
        return;
    }
    // A pasted value never joins the number being typed: that is entered
    // first, as ENT enters it, and the pasted value opens a new line.
    if (isEntryOpen()) keyEnter();
    TypeKeys(keys);
    if (withUnit) {
        attachUnit(unit);
        DeleteExpression(unit);
    }
}

std::string CopyTopText() {
    std::string text;
    if (isEntryOpen()) {
        text = State::entryText().substr(0, size_t(State::entryLength()));
    } else {
        bool anchorEnd = false;
        if (!TopText(&text, &anchorEnd)) return std::string();
    }
    ToPlainText(text);
    return text;
}

void resetKeypadState() {
    assignMode = false;
    g_assignTookValue = false;
    assignUnit = NULL_UID;
    chosenUnit = NULL_UID;
    unitDialogLetter = 0;
    resetLabelKeys();
    resetEntryState();
}

void setDisplayGeometry(int entryLeft, int entryRight, int stackWidth, int stackRows) {
    setEntryBox(entryLeft, entryRight);
    setStackListWidth(stackWidth);
    setStackListRows(stackRows);
}

void setStackListWidth(int px) {
    g_listWidth = px > 0 ? px : 0;
}
void setStackListRows(int rows) {
    g_listRows = rows > 0 ? rows : 0;
}

}  // namespace kiv
