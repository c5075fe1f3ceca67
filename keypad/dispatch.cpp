#include "keypad/dispatch.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/core/calctext.h"
#include "app/core/menus.h"
#include "app/core/messages.h"
#include "app/core/window.h"
#include "engine/format.h"
#include "engine/integer.h"
#include "engine/stack.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "res/resource.h"
#include "storage/state.h"
#include "storage/unitlist.h"
#include "units/algebra.h"
#include "units/holders.h"
#include "units/unittext.h"

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

// Pasted text in floating mode as Copy writes a value with a unit: a number
// (sign, digits with group separators, the decimal separator, an exponent
// "e" after an optional space), blanks, then a unit text starting with a
// name or with "1/". False when the text has no such unit part.
bool SplitPastedUnit(const std::string& t, std::string* number, std::string* unit) {
    const char dec = DecimalSeparator(), grp = GroupSeparator();
    const size_t n = t.size();
    auto at = [&](size_t i) { return i < n ? t[i] : '\0'; };
    size_t p = 0;
    while (p < n && IsPasteBlank(t[p])) ++p;
    const size_t start = p;
    if (at(p) == '-') ++p;
    int digits = 0;
    for (;; ++p) {
        const char c = at(p);
        if (IsPasteDigit(c))
            ++digits;
        else if (!(c == dec || (c == grp && digits > 0 && IsPasteDigit(at(p + 1)))))
            break;
    }
    if (digits == 0) return false;
    size_t q = at(p) == ' ' ? p + 1 : p;
    if (at(q) == 'e' || at(q) == 'E') {
        ++q;
        if (at(q) == '-') ++q;
        if (IsPasteDigit(at(q))) {
            while (IsPasteDigit(at(q))) ++q;
            p = q;
        }
    }
    const size_t numberEnd = p;
    if (p < n && !IsPasteBlank(t[p])) return false;
    while (p < n && IsPasteBlank(t[p])) ++p;
    size_t end = n;
    while (end > p && IsPasteBlank(t[end - 1])) --end;
    if (!(IsPasteLetter(at(p)) || (at(p) == '1' && at(p + 1) == '/'))) return false;
    *number = t.substr(start, numberEnd - start);
    *unit = t.substr(p, end - p);
    return true;
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

void clearSlotsUsing(Uid unit) {
    if (unit == NULL_UID) return;
    for (int i = 0; i < so::kUserSlots; ++i)
        if (State::userButton(i) == unit) State::setUserButton(i, NULL_UID);
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
    std::string number = pasted, unitText;
    const bool withUnit = State::radix() == 0 && SplitPastedUnit(pasted, &number, &unitText);
    // The unit is read, and the room checked, before anything is typed:
    // text that cannot be pasted whole types nothing at all.
    Uid unit = NULL_UID;
    int unitLength = 0;
    if (withUnit) {
        bool ok = false;
        std::string unknown;
        unit = ReadUnitExpression(unitText, &ok, &unknown);
        if (!ok) {
            ShowCodedMessage(MSG_PASTE_NO_UNIT, unknown.c_str());
            return;
        }
        char name[kUnitNameMax + 1];
        unitLength = FormatExpression(name, sizeof name, unit) == 0 ? 1 + int(std::strlen(name))
                                                                    : kEntryMax + 1;
    }
    // A line with a unit part is entered by the first key; another open
    // line is continued.
    const int used = isEntryOpen() && !hasUnitPart() ? State::entryLength() : 0;
    // A unit's name is appended only while the line stays below its limit.
    const int room = withUnit ? kEntryMax - 1 : kEntryMax;
    std::vector<PasteKey> keys = PasteKeys(number);
    if (used == 0 && PastedLength(keys) + unitLength > room) DropLeadingZeros(&keys);
    if (used + PastedLength(keys) + unitLength > room) {
        DeleteExpression(unit);
        ShowCodedMessage(MSG_PASTE_TOO_LONG);
        return;
    }
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
