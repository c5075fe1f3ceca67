// SPDX-License-Identifier: GPL-3.0-or-later
#include "keypad/keypad.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "engine/arith.h"
#include "engine/integer.h"
#include "engine/scientific.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "res/resource.h"
#include "storage/state.h"
#include "units/unitrec.h"
#include "units/unittext.h"
#include "window/calctext.h"
#include "window/messages.h"
#include "window/window.h"

namespace kiv {

namespace {

// Keys of fixed labels: the text itself (at most 7 bytes) packed under the
// top bit, so they are never 0 and never a 32-bit unit reference.
constexpr uint64_t kFixedFlag = uint64_t(1) << 63;
// The key of a button that has not been written since the last reset. No
// label has it, so the next refresh writes the button.
constexpr uint64_t kUnknownKey = ~uint64_t(0);

uint64_t FixedKey(const std::string& text) {
    uint64_t k = 0;
    for (size_t i = 0; i < text.size() && i < 7; ++i) k |= uint64_t(uint8_t(text[i])) << (8 * i);
    return kFixedFlag | k;
}

Label Fixed(const char* text) {
    Label l;
    l.text = text;
    l.key = FixedKey(l.text);
    l.enabled = true;
    return l;
}
Label Fixed(const std::string& text) {
    return Fixed(text.c_str());
}
Label Blank() {
    return Label{};
}

// Prefix exponents by position and level. Level 3 holds the 2022 prefixes
// in the places of level 2's largest: ronna and quetta above, ronto and
// quecto below.
constexpr int kPrefixLevels = 4;
constexpr int kPrefixTable[7][kPrefixLevels] = {
    {-2, -1, 15, 27}, {-3, -12, 18, 30}, {-6, -15, 21, 0}, {-9, -18, 24, 0},
    {3, 1, -21, -27}, {6, 2, -24, -30},  {9, 12, 0, 0},
};

Label UserLabel(const KeypadEntry& e) {
    Label l;
    l.user = true;
    const Uid u = State::userButton(currentSlot(e));
    if (u == NULL_UID) {
        l.enabled = assignMode;  // an empty slot can be picked
        return l;
    }
    char name[kUnitNameMax + 1];
    if (FormatExpression(name, sizeof name, u) != 0) name[0] = 0;
    ToPlainText(name);
    l.text = name;
    l.key = u;
    l.enabled = true;
    return l;
}

Label PrefixLabel(int position) {
    char buf[5] = {};
    const int n = PrefixLetter(buf, 4, prefixExponent(position));
    if (n <= 0) return Blank();
    buf[n] = '-';
    return Fixed(buf);
}

struct Modes {
    bool A, U, I, alt, hyp;
    int r;
};
Modes Now() {
    const int r = State::radix();
    return Modes{assignMode, State::unitKeypad(), r != 0, State::altShift(), State::hypShift(), r};
}

// A digit button: A blank, U prefix, I blank when the digit is not below
// the radix, else the digit's text.
Label DigitLabel(int id, int digit, const char* text) {
    const Modes m = Now();
    if (m.A) return Blank();
    if (m.U) return PrefixLabel(prefixPosition(id));
    if (m.I && m.r <= digit) return Blank();
    return Fixed(text);
}

// A button of the unit block with a digit: A or U user, I blank when the
// digit is not below the radix, else the text.
Label UserDigitLabel(const KeypadEntry& e, int digit, const char* text) {
    const Modes m = Now();
    if (m.A || m.U) return UserLabel(e);
    if (m.I && m.r <= digit) return Blank();
    return Fixed(text);
}

// A button of the unit block with a floating text and an integer text.
Label UserOpLabel(const KeypadEntry& e, const char* floating, const char* integer) {
    const Modes m = Now();
    if (m.A || m.U) return UserLabel(e);
    if (m.I) return integer ? Fixed(integer) : Blank();
    return Fixed(floating);
}

// A trigonometric button (2025..2027): digit 10..12 in integer mode.
Label TrigLabel(const KeypadEntry& e, int digit, const char* letter, const char* base) {
    const Modes m = Now();
    if (m.A || m.U) return UserLabel(e);
    if (m.I) return m.r <= digit ? Blank() : Fixed(letter);
    std::string t = m.alt ? std::string("a") + base : std::string(base);
    if (m.hyp) t += 'h';
    return Fixed(t);
}

// A unit-block button that shows a digit letter in integer mode and a
// function with an alt form in floating mode (2031..2033).
Label LetterLabel(const KeypadEntry& e, int digit, const char* letter, const char* plain,
                  const char* alt) {
    const Modes m = Now();
    if (m.A || m.U) return UserLabel(e);
    if (m.I) return m.r <= digit ? Blank() : Fixed(letter);
    return Fixed(m.alt ? alt : plain);
}

// Top-row user buttons (2036..2040): integer text, else the user label.
Label TopRowLabel(const KeypadEntry& e, const char* plain, const char* alt) {
    const Modes m = Now();
    if (m.I) return Fixed(m.alt && alt ? alt : plain);
    return UserLabel(e);
}

// ------------------------------------------------------------- actions

void Redraw() {
    refreshDisplay();
}

void AltOff() {
    altOff();
}

// Commit, an integer operation (with its alt form), optional alt off, redraw.
void IntOperation(IntOp op, bool usesAlt, bool releasesAlt) {
    commitEntry();
    ApplyIntOp(op, usesAlt && State::altShift());
    if (releasesAlt) AltOff();
    Redraw();
}

void Function(Func plain) {
    commitEntry();
    ApplyFunction(plain);
    AltOff();
    Redraw();
}

void UserAction(const KeypadEntry& e) {
    const Uid u = State::userButton(currentSlot(e));
    if (u == NULL_UID) return;
    attachUnit(u);
    State::setUnitKeypad(0);
    refreshLabels();
}

void Prefix(int id) {
    keyPrefix(prefixExponent(prefixPosition(id)));
}

// The digit buttons of rows 6 and 7 and 2001.
void DigitAction(int id, int digit) {
    if (State::unitKeypad())
        Prefix(id);
    else
        keyDigit(digit);
}

// The digit buttons of the unit block (4..9).
void UserDigitAction(const KeypadEntry& e, int digit) {
    if (State::unitKeypad())
        UserAction(e);
    else
        keyDigit(digit);
}

void TrigAction(const KeypadEntry& e, int digit, Func f, Func af, Func hf, Func ahf) {
    if (State::unitKeypad()) return UserAction(e);
    if (State::radix() != 0) return keyDigit(digit);
    const bool alt = State::altShift(), hyp = State::hypShift();
    Function(hyp ? (alt ? ahf : hf) : (alt ? af : f));
}

void LetterAction(const KeypadEntry& e, int digit, Func f, Func af) {
    if (State::unitKeypad()) return UserAction(e);
    if (State::radix() != 0) return keyDigit(digit);
    Function(State::altShift() ? af : f);
}

void WordSizePopup() {
    const int ws = State::wordSize();
    int checked = ID_WORD_8;
    for (int i = 0; i < 5; ++i)
        if (ws == (8 << i)) checked = ID_WORD_8 + i;
    const int cmd = GetWindow().popupMenu(POPUP_WORDSIZE, checked, 2012);
    if (cmd) onWordSizeCommand(cmd);
}

void RadixPopup() {
    int checked = ID_RADIX_STACK;
    switch (State::radix()) {
        case 0:
            checked = ID_RADIX_FLOAT;
            break;
        case 16:
            checked = ID_RADIX_HEX;
            break;
        case 10:
            checked = ID_RADIX_DEC;
            break;
        case 8:
            checked = ID_RADIX_OCT;
            break;
        case 2:
            checked = ID_RADIX_BIN;
            break;
        default:
            break;
    }
    const int cmd = GetWindow().popupMenu(POPUP_RADIX, checked, 2045);
    if (cmd) onRadixCommand(cmd);
}

void ClearAction() {
    if (State::askClear() && ShowCodedMessage(MSG_CONFIRM_CLEAR) != 0) return;
    commitEntry();
    ClearStack();
    State::setAltShift(0);
    State::setUnitKeypad(0);
    State::setPrefixLevel(0);
    State::setHypShift(0);
    refreshLabels();
    Redraw();
}

// Opens the Units dialog; a unit it chose is attached by the refresh request
// the dialog sends, or here when it did not send one.
void OpenUnitsDialog() {
    GetWindow().runDialog(Window::DialogKind::Units);
    if (chosenUnit != NULL_UID) onUnitChosen();
}

using K = const KeypadEntry&;

// clang-format off
const std::array<KeypadEntry, kButtonCount> kTable = {{
    // 2000 alt
    {[](K, int) { State::setAltShift(State::altShift() ? 0 : 1); refreshLabels(); },
     [](K, int) { return Fixed(State::altShift() ? "ALT" : "alt"); }, -1},
    // 2001 0
    {[](K, int id) { DigitAction(id, 0); },
     [](K, int id) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.U) return PrefixLabel(prefixPosition(id));
         return Fixed("0");
     }, -1},
    // 2002 .
    {[](K, int id) { if (State::unitKeypad()) Prefix(id); else keyDecimalPoint(); },
     [](K, int id) {
         const Modes m = Now();
         if (m.A || m.I) return Blank();
         if (m.U) return PrefixLabel(prefixPosition(id));
         return Fixed(".");
     }, -1},
    // 2003 +/-
    {[](K, int id) {
         if (State::unitKeypad()) return Prefix(id);
         if (isEntryOpen()) return keyChangeSign();
         commitEntry();
         if (State::radix() != 0) ApplyIntOp(IntOp::Negate); else ChangeSign();
         Redraw();
     },
     [](K, int id) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.U) return PrefixLabel(prefixPosition(id));
         return Fixed("+/-");
     }, -1},
    // 2004 + / pfx
    {[](K, int) {
         if (State::unitKeypad()) {
             State::setPrefixLevel(uint8_t((State::prefixLevel() + 1) % kPrefixLevels));
             refreshLabels();
             return;
         }
         addKey();
     },
     [](K, int) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.U) {
             static const char* const kPfx[kPrefixLevels] = {"pfx", "pfx2", "pfx3", "pfx4"};
             const int level = State::prefixLevel();
             return Fixed(kPfx[level >= 0 && level < kPrefixLevels ? level : 0]);
         }
         return Fixed("+");
     }, -1},
    // 2005 full / pad
    {[](K, int) {
         if (State::radix() != 0) {
             commitEntry();
             State::setLeadingZeros(State::padZeros() ? 0 : 1);
         } else {
             State::setFullDisplay(uint8_t((State::fullDisplay() + 1) % 3));
         }
         refreshLabels();
         Redraw();
     },
     [](K, int) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.I) return Fixed(State::padZeros() ? "PAD" : "pad");
         static const char* const kFull[3] = {"full", "FULL", "FULP"};
         const int f = State::fullDisplay();
         return Fixed(kFull[f >= 0 && f < 3 ? f : 0]);
     }, -1},
    // 2006 ENT
    {[](K, int) { keyEnter(); Redraw(); },
     [](K, int) { return Fixed("ENT"); }, -1},
    // 2007 1
    {[](K, int id) { DigitAction(id, 1); },
     [](K, int id) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.U) return PrefixLabel(prefixPosition(id));
         return Fixed("1");
     }, -1},
    // 2008 2
    {[](K, int id) { DigitAction(id, 2); },
     [](K, int id) { return DigitLabel(id, 2, "2"); }, -1},
    // 2009 3
    {[](K, int id) { DigitAction(id, 3); },
     [](K, int id) { return DigitLabel(id, 3, "3"); }, -1},
    // 2010 -
    {[](K, int id) { if (State::unitKeypad()) Prefix(id); else subtractKey(); },
     [](K, int id) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.U) return PrefixLabel(prefixPosition(id));
         return Fixed("-");
     }, -1},
    // 2011 mem
    {[](K, int) {
         commitEntry();
         GetWindow().runDialog(Window::DialogKind::Memory);
         Redraw();
     },
     [](K, int) { return Now().A ? Blank() : Fixed("mem"); }, -1},
    // 2012 EEX / word
    {[](K e, int) {
         if (State::unitKeypad()) return UserAction(e);
         if (State::radix() != 0) return WordSizePopup();
         keyExponent();
     },
     [](K e, int) { return UserOpLabel(e, "EEX", "word"); }, 20},
    // 2013 4
    {[](K e, int) { UserDigitAction(e, 4); },
     [](K e, int) { return UserDigitLabel(e, 4, "4"); }, 21},
    // 2014 5
    {[](K e, int) { UserDigitAction(e, 5); },
     [](K e, int) { return UserDigitLabel(e, 5, "5"); }, 22},
    // 2015 6
    {[](K e, int) { UserDigitAction(e, 6); },
     [](K e, int) { return UserDigitLabel(e, 6, "6"); }, 23},
    // 2016 *
    {[](K e, int) { if (State::unitKeypad()) UserAction(e); else multiplyKey(); },
     [](K e, int) { return UserOpLabel(e, "*", "*"); }, 24},
    // 2017 list / sign
    {[](K, int) {
         if (State::radix() != 0) {
             commitEntry();
             State::setSigned(State::signedInts() ? 0 : 1);
             refreshLabels();
             Redraw();
             return;
         }
         OpenUnitsDialog();
     },
     [](K, int) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.I) return Fixed(State::signedInts() ? "sign" : "usign");
         return Fixed("list");
     }, -1},
    // 2018 pi
    {[](K e, int) {
         if (State::unitKeypad()) return UserAction(e);
         if (State::radix() != 0) return;
         commitEntry();
         PushPi();
         Redraw();
     },
     [](K e, int) { return UserOpLabel(e, "pi", nullptr); }, 15},
    // 2019 7
    {[](K e, int) { UserDigitAction(e, 7); },
     [](K e, int) { return UserDigitLabel(e, 7, "7"); }, 16},
    // 2020 8
    {[](K e, int) { UserDigitAction(e, 8); },
     [](K e, int) { return UserDigitLabel(e, 8, "8"); }, 17},
    // 2021 9
    {[](K e, int) { UserDigitAction(e, 9); },
     [](K e, int) { return UserDigitLabel(e, 9, "9"); }, 18},
    // 2022 /
    {[](K e, int) { if (State::unitKeypad()) UserAction(e); else divideKey(); },
     [](K e, int) { return UserOpLabel(e, "/", "/"); }, 19},
    // 2023 conv / m<
    {[](K, int) {
         if (State::radix() != 0) return IntOperation(IntOp::MaskHigh, true, true);
         commitEntry();
         showBusy();
         ConvertTop();
         Redraw();
     },
     [](K, int) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.I) return Fixed(m.alt ? "m2<" : "m<");
         return Fixed("conv");
     }, -1},
    // 2024 deg / hyp / m>
    {[](K e, int) {
         if (State::unitKeypad()) return UserAction(e);
         if (State::radix() != 0) return IntOperation(IntOp::MaskLow, true, true);
         if (State::altShift()) {
             State::setHypShift(State::hypShift() ? 0 : 1);
             State::setAltShift(0);
         } else {
             State::setAngleUnit(State::degrees() ? 0 : 1);
         }
         refreshLabels();
     },
     [](K e, int) {
         const Modes m = Now();
         if (m.A || m.U) return UserLabel(e);
         if (m.I) return Fixed(m.alt ? "m2>" : "m>");
         if (m.alt) return Fixed(m.hyp ? "HYP" : "hyp");
         return Fixed(State::degrees() ? "deg" : "rad");
     }, 10},
    // 2025 sin / A
    {[](K e, int) { TrigAction(e, 10, Func::Sin, Func::Asin, Func::Sinh, Func::Asinh); },
     [](K e, int) { return TrigLabel(e, 10, "A", "sin"); }, 11},
    // 2026 cos / B
    {[](K e, int) { TrigAction(e, 11, Func::Cos, Func::Acos, Func::Cosh, Func::Acosh); },
     [](K e, int) { return TrigLabel(e, 11, "B", "cos"); }, 12},
    // 2027 tan / C
    {[](K e, int) { TrigAction(e, 12, Func::Tan, Func::Atan, Func::Tanh, Func::Atanh); },
     [](K e, int) { return TrigLabel(e, 12, "C", "tan"); }, 13},
    // 2028 1/x / mod
    {[](K e, int) {
         if (State::unitKeypad()) return UserAction(e);
         if (State::radix() != 0) return IntOperation(IntOp::Mod, false, false);
         commitEntry();
         ApplyFunction(Func::Reciprocal);
         Redraw();
     },
     [](K e, int) { return UserOpLabel(e, "1/x", "mod"); }, 14},
    // 2029 per / r<
    {[](K, int) {
         if (State::radix() != 0) return IntOperation(IntOp::RotateLeft, true, true);
         keyPer();
     },
     [](K, int) {
         const Modes m = Now();
         if (m.A) return Blank();
         if (m.I) return Fixed(m.alt ? "r2<" : "r<");
         return Fixed("per");
     }, -1},
    // 2030 ln / r>
    {[](K e, int) {
         if (State::unitKeypad()) return UserAction(e);
         if (State::radix() != 0) return IntOperation(IntOp::RotateRight, true, true);
         Function(State::altShift() ? Func::Exp : Func::Ln);
     },
     [](K e, int) {
         const Modes m = Now();
         if (m.A || m.U) return UserLabel(e);
         if (m.I) return Fixed(m.alt ? "r2>" : "r>");
         return Fixed(m.alt ? "e^x" : "ln");
     }, 5},
    // 2031 log / D
    {[](K e, int) { LetterAction(e, 13, Func::Log, Func::Exp10); },
     [](K e, int) { return LetterLabel(e, 13, "D", "log", "10^x"); }, 6},
    // 2032 y^x / E
    {[](K e, int) { LetterAction(e, 14, Func::Power, Func::Root); },
     [](K e, int) { return LetterLabel(e, 14, "E", "y^x", "y^/"); }, 7},
    // 2033 x^2 / F
    {[](K e, int) { LetterAction(e, 15, Func::Square, Func::Cube); },
     [](K e, int) { return LetterLabel(e, 15, "F", "x^2", "x^3"); }, 8},
    // 2034 sqrt / and
    {[](K e, int) {
         if (State::unitKeypad()) return UserAction(e);
         if (State::radix() != 0) return IntOperation(IntOp::And, true, true);
         Function(State::altShift() ? Func::Cbrt : Func::Sqrt);
     },
     [](K e, int) {
         const Modes m = Now();
         if (m.A || m.U) return UserLabel(e);
         if (m.I) return Fixed(m.alt ? "and~" : "and");
         return Fixed(m.alt ? "cbrt" : "sqrt");
     }, 9},
    // 2035 unit / s<
    {[](K, int) {
         if (State::radix() != 0) return IntOperation(IntOp::ShiftLeft, true, true);
         State::setUnitKeypad(State::unitKeypad() ? 0 : 1);
         refreshLabels();
     },
     [](K, int) {
         const Modes m = Now();
         if (m.A) return Fixed("none");
         if (m.I) return Fixed(m.alt ? "s2<" : "s<");
         return Fixed(m.U ? "UNIT" : "unit");
     }, -1},
    // 2036 user / s>
    {[](K e, int) {
         if (State::radix() != 0) return IntOperation(IntOp::ShiftRight, true, true);
         UserAction(e);
     },
     [](K e, int) { return TopRowLabel(e, "s>", "s2>"); }, 0},
    // 2037 user / bswp
    {[](K e, int) {
         if (State::radix() != 0) return IntOperation(IntOp::ByteSwap, false, false);
         UserAction(e);
     },
     [](K e, int) { return TopRowLabel(e, "bswp", nullptr); }, 1},
    // 2038 user / xor
    {[](K e, int) {
         if (State::radix() != 0) return IntOperation(IntOp::Xor, true, true);
         UserAction(e);
     },
     [](K e, int) { return TopRowLabel(e, "xor", "xor~"); }, 2},
    // 2039 user / not
    {[](K e, int) {
         if (State::radix() != 0) return IntOperation(IntOp::Not, false, false);
         UserAction(e);
     },
     [](K e, int) { return TopRowLabel(e, "not", nullptr); }, 3},
    // 2040 user / or
    {[](K e, int) {
         if (State::radix() != 0) return IntOperation(IntOp::Or, true, true);
         UserAction(e);
     },
     [](K e, int) { return TopRowLabel(e, "or", "or~"); }, 4},
    // 2041 dn
    {[](K, int) {
         commitEntry();
         if (Depth() > 0) {
             ForgetSavedArguments();
             RollDown();
         }
         Redraw();
     },
     [](K, int) { return Fixed("dn"); }, -1},
    // 2042 BSP
    {[](K, int) { keyBackspace(); },
     [](K, int) { return Fixed("BSP"); }, -1},
    // 2043 up
    {[](K, int) {
         commitEntry();
         if (Depth() > 0) {
             ForgetSavedArguments();
             RollUp();
         }
         Redraw();
     },
     [](K, int) { return Fixed("up"); }, -1},
    // 2044 CLR
    {[](K, int) { ClearAction(); },
     [](K, int) { return Fixed("CLR"); }, -1},
    // 2045 precision / radix
    {[](K, int) { RadixPopup(); },
     [](K, int) {
         char buf[16];
         switch (State::radix()) {
             case 0: std::snprintf(buf, sizeof buf, ".%d", State::floatPrecision()); break;
             case 2: return Fixed("bin");
             case 8: return Fixed("oct");
             case 10: return Fixed("dec");
             case 16: return Fixed("hex");
             default: std::snprintf(buf, sizeof buf, "B %d", State::radix()); break;
         }
         return Fixed(buf);
     }, -1},
}};
// clang-format on

struct LabelCache {
    std::array<uint64_t, kButtonCount> key;
    std::array<int8_t, kButtonCount> enabled;  // -1 unknown
    LabelCache() { reset(); }
    void reset() {
        key.fill(kUnknownKey);
        enabled.fill(-1);
    }
};
LabelCache g_labels;

}  // namespace

void altOff() {
    if (!State::altShift()) return;
    State::setAltShift(0);
    refreshLabels();
}

void addKey() {
    commitEntry();
    if (State::radix() != 0)
        ApplyIntOp(IntOp::Add);
    else
        Add();
    refreshDisplay();
}

void subtractKey() {
    commitEntry();
    if (State::radix() != 0)
        ApplyIntOp(IntOp::Subtract);
    else
        Subtract();
    refreshDisplay();
}

void multiplyKey() {
    commitEntry();
    if (State::radix() != 0) {
        ApplyIntOp(IntOp::Multiply);
    } else {
        showBusy();
        Multiply();
    }
    refreshDisplay();
}

void divideKey() {
    commitEntry();
    if (State::radix() != 0) {
        ApplyIntOp(IntOp::Divide);
    } else {
        showBusy();
        Divide();
    }
    refreshDisplay();
}

const KeypadEntry* keypadEntry(int id) {
    if (id < IDC_BUTTON_FIRST || id > IDC_BUTTON_LAST) return nullptr;
    return &kTable[size_t(id - IDC_BUTTON_FIRST)];
}

int currentSlot(const KeypadEntry& e) {
    if (e.slot < 0) return -1;
    return e.slot + (State::altShift() ? kSlotsPerBank : 0);
}

int prefixPosition(int id) {
    switch (id) {
        case 2007:
            return 0;
        case 2008:
            return 1;
        case 2009:
            return 2;
        case 2010:
            return 3;
        case 2001:
            return 4;
        case 2002:
            return 5;
        case 2003:
            return 6;
        default:
            return -1;
    }
}

int prefixExponent(int position) {
    if (position < 0 || position > 6) return 0;
    int level = State::prefixLevel();
    if (level < 0 || level >= kPrefixLevels) level = 0;
    return kPrefixTable[position][level];
}

Label currentLabel(int id) {
    const KeypadEntry* e = keypadEntry(id);
    if (!e) return Blank();
    return e->label(*e, id);
}

void refreshLabel(int id) {
    const KeypadEntry* e = keypadEntry(id);
    if (!e) return;
    const Label l = e->label(*e, id);
    const size_t i = size_t(id - IDC_BUTTON_FIRST);
    Window& w = GetWindow();
    if (g_labels.key[i] != l.key) {
        w.setControlText(id, l.text);
        g_labels.key[i] = l.key;
    }
    if (g_labels.enabled[i] != int8_t(l.enabled)) {
        w.enableControl(id, l.enabled);
        g_labels.enabled[i] = int8_t(l.enabled);
    }
}

void refreshLabels() {
    initKeypad();
    for (int id = IDC_BUTTON_LAST; id >= IDC_BUTTON_FIRST; --id) refreshLabel(id);
}

void resetLabelKeys() {
    g_labels.reset();
}

uint64_t labelKey(int id) {
    if (id < IDC_BUTTON_FIRST || id > IDC_BUTTON_LAST) return 0;
    return g_labels.key[size_t(id - IDC_BUTTON_FIRST)];
}

bool noUnitsYet() {
    const Database* db = MainDb();
    if (!db) return false;
    for (int i = 1; i < db->count(); ++i)
        if (IsUnitRecord(i)) return false;
    return true;
}

std::string buttonTooltip(int id) {
    const KeypadEntry* e = keypadEntry(id);
    if (!e) return std::string();
    const Label l = e->label(*e, id);
    if (assignMode) {
        if (id == 2000) return "Switch to the other bank of unit buttons";
        if (e->slot >= 0) return "Put the unit on this button";
        if (id == 2035) return "Put the unit on no button";
        return l.enabled ? "End without putting the unit on a button" : std::string();
    }
    if (!l.enabled)
        return e->slot >= 0 && noUnitsYet() ? ComposeCodedMessage(MSG_NO_UNITS).text
                                            : std::string();
    if (e->slot >= 0 && l.key != 0 && (l.key & kFixedFlag) == 0) return "Attach the unit " + l.text;
    if (State::unitKeypad() && prefixPosition(id) >= 0) return "Unit prefix " + l.text;
    struct Tip {
        const char* label;
        const char* text;
    };
    static const Tip kTips[] = {
        {"alt", "Second function of the next key"},
        {"ALT", "Second function of the next key (on)"},
        {".", "Decimal point"},
        {"+/-", "Change the sign"},
        {"+", "Add"},
        {"-", "Subtract"},
        {"*", "Multiply"},
        {"/", "Divide"},
        {"pfx", "Show the next set of unit prefixes"},
        {"pfx2", "Show the next set of unit prefixes"},
        {"pfx3", "Show the next set of unit prefixes"},
        {"pfx4", "Show the next set of unit prefixes"},
        {"full", "Show more of the top number"},
        {"FULL", "Show all digits of the top number"},
        {"FULP", "Fit the top number to the line"},
        {"pad", "Show leading zeros"},
        {"PAD", "Hide leading zeros"},
        {"ENT", "Enter the number, or duplicate the top of the stack"},
        {"mem", "Memory registers"},
        {"EEX", "Enter an exponent"},
        {"word", "Choose the word size"},
        {"list", "List of units"},
        {"sign", "Signed integers (click for unsigned)"},
        {"usign", "Unsigned integers (click for signed)"},
        {"pi", "Push pi"},
        {"conv",
         "Convert the second number into the unit of the top.\nTo key the unit: 1, then the "
         "unit (its button, or type its first letter and pick it in the list), then conv"},
        {"m<", "Mask of high bits"},
        {"m2<", "Mask of high bits, shifted"},
        {"m>", "Mask of low bits"},
        {"m2>", "Mask of low bits, shifted"},
        {"deg", "Angles in degrees (click for radians)"},
        {"rad", "Angles in radians (click for degrees)"},
        {"hyp", "Hyperbolic functions"},
        {"HYP", "Hyperbolic functions (on)"},
        {"sin", "Sine"},
        {"cos", "Cosine"},
        {"tan", "Tangent"},
        {"asin", "Arcsine"},
        {"acos", "Arccosine"},
        {"atan", "Arctangent"},
        {"sinh", "Hyperbolic sine"},
        {"cosh", "Hyperbolic cosine"},
        {"tanh", "Hyperbolic tangent"},
        {"asinh", "Inverse hyperbolic sine"},
        {"acosh", "Inverse hyperbolic cosine"},
        {"atanh", "Inverse hyperbolic tangent"},
        {"1/x", "Reciprocal"},
        {"mod", "Remainder"},
        {"per", "Following units go into the denominator"},
        {"r<", "Rotate left"},
        {"r2<", "Rotate the second number left"},
        {"r>", "Rotate right"},
        {"r2>", "Rotate the second number right"},
        {"ln", "Natural logarithm"},
        {"e^x", "Natural exponential"},
        {"log", "Common logarithm"},
        {"10^x", "Power of ten"},
        {"y^x", "Power"},
        {"y^/", "Root"},
        {"x^2", "Square"},
        {"x^3", "Cube"},
        {"sqrt", "Square root"},
        {"cbrt", "Cube root"},
        {"and", "Bitwise and"},
        {"and~", "Bitwise and with the inverted top"},
        {"unit", "Show the unit keypad"},
        {"UNIT", "Hide the unit keypad"},
        {"s<", "Shift left"},
        {"s2<", "Shift the second number left"},
        {"s>", "Shift right"},
        {"s2>", "Shift the second number right"},
        {"bswp", "Swap bytes"},
        {"xor", "Bitwise exclusive or"},
        {"xor~", "Bitwise exclusive or with the inverted top"},
        {"not", "Bitwise not"},
        {"or", "Bitwise or"},
        {"or~", "Bitwise or with the inverted top"},
        {"dn", "Roll the stack down"},
        {"BSP", "Delete the last character, or drop the top of the stack"},
        {"up", "Roll the stack up"},
        {"CLR", "Clear the stack"},
        {"bin", "Choose the radix"},
        {"oct", "Choose the radix"},
        {"dec", "Choose the radix"},
        {"hex", "Choose the radix"},
    };
    for (const Tip& t : kTips)
        if (l.text == t.label) return t.text;
    if (id == 2045) return "Choose floating mode or a radix";
    if (l.text.size() == 1) return "Digit " + l.text;
    return std::string();
}

namespace {

struct Said {
    const char* label;
    const char* name;
    const char* key;  // nullptr: no key does it
};

// Screen readers read symbols badly or not at all ("y^x", "+/-", "ln"):
// every fixed label is said in words.
const Said kSaid[] = {
    {"alt", "Alternate functions", nullptr},
    {"ALT", "Alternate functions on", nullptr},
    {".", "Decimal point", "."},
    {"+/-", "Change sign", nullptr},
    {"+", "Add", "+"},
    {"-", "Subtract", "-"},
    {"*", "Multiply", "*"},
    {"/", "Divide", "/"},
    {"pfx", "More prefixes", nullptr},
    {"pfx2", "More prefixes", nullptr},
    {"pfx3", "More prefixes", nullptr},
    {"pfx4", "More prefixes", nullptr},
    {"full", "Show more digits", nullptr},
    {"FULL", "Show all digits", nullptr},
    {"FULP", "Fit the number to the line", nullptr},
    {"pad", "Show leading zeros", nullptr},
    {"PAD", "Hide leading zeros", nullptr},
    {"ENT", "Enter", "Enter"},
    {"mem", "Memories", nullptr},
    {"EEX", "Exponent", "E"},
    {"word", "Word size", nullptr},
    {"list", "Unit list", "a letter"},
    {"sign", "Signed", nullptr},
    {"usign", "Unsigned", nullptr},
    {"pi", "Pi", nullptr},
    {"conv", "Convert", "="},
    {"m<", "Mask of high bits", nullptr},
    {"m2<", "Mask of high bits, shifted", nullptr},
    {"m>", "Mask of low bits", nullptr},
    {"m2>", "Mask of low bits, shifted", nullptr},
    {"deg", "Degrees", nullptr},
    {"rad", "Radians", nullptr},
    {"hyp", "Hyperbolic", nullptr},
    {"HYP", "Hyperbolic on", nullptr},
    {"sin", "Sine", nullptr},
    {"cos", "Cosine", nullptr},
    {"tan", "Tangent", nullptr},
    {"asin", "Arcsine", nullptr},
    {"acos", "Arccosine", nullptr},
    {"atan", "Arctangent", nullptr},
    {"sinh", "Hyperbolic sine", nullptr},
    {"cosh", "Hyperbolic cosine", nullptr},
    {"tanh", "Hyperbolic tangent", nullptr},
    {"asinh", "Inverse hyperbolic sine", nullptr},
    {"acosh", "Inverse hyperbolic cosine", nullptr},
    {"atanh", "Inverse hyperbolic tangent", nullptr},
    {"1/x", "Reciprocal", nullptr},
    {"mod", "Remainder", "%"},
    {"per", "Per", ":"},
    {"r<", "Rotate left", nullptr},
    {"r2<", "Rotate second left", nullptr},
    {"r>", "Rotate right", nullptr},
    {"r2>", "Rotate second right", nullptr},
    {"ln", "Natural logarithm", nullptr},
    {"e^x", "Exponential", nullptr},
    {"log", "Common logarithm", nullptr},
    {"10^x", "Ten to the power", nullptr},
    {"y^x", "Power", nullptr},
    {"y^/", "Root", nullptr},
    {"x^2", "Square", nullptr},
    {"x^3", "Cube", nullptr},
    {"sqrt", "Square root", nullptr},
    {"cbrt", "Cube root", nullptr},
    {"and", "And", "&"},
    {"and~", "And not", "&"},
    {"unit", "Unit keypad", "#"},
    {"UNIT", "Unit keypad on", "#"},
    {"none", "No button", nullptr},
    {"s<", "Shift left", "<"},
    {"s2<", "Shift second left", "<"},
    {"s>", "Shift right", ">"},
    {"s2>", "Shift second right", ">"},
    {"bswp", "Swap bytes", nullptr},
    {"xor", "Exclusive or", "^"},
    {"xor~", "Exclusive or not", "^"},
    {"not", "Not", "~"},
    {"or", "Or", "|"},
    {"or~", "Or not", "|"},
    {"dn", "Roll down", nullptr},
    {"BSP", "Backspace", "Backspace"},
    {"up", "Roll up", nullptr},
    {"CLR", "Clear stack", nullptr},
};

const Said* SaidFor(const std::string& label) {
    for (const Said& s : kSaid)
        if (label == s.label) return &s;
    return nullptr;
}

const char* PrefixName(int power) {
    struct P {
        int power;
        const char* name;
    };
    static const P kNames[] = {
        {1, "deca"},   {2, "hecto"},   {3, "kilo"},    {6, "mega"},     {9, "giga"},
        {12, "tera"},  {15, "peta"},   {18, "exa"},    {21, "zetta"},   {24, "yotta"},
        {-1, "deci"},  {-2, "centi"},  {-3, "milli"},  {-6, "micro"},   {-9, "nano"},
        {-12, "pico"}, {-15, "femto"}, {-18, "atto"},  {-21, "zepto"},  {-24, "yocto"},
        {27, "ronna"}, {30, "quetta"}, {-27, "ronto"}, {-30, "quecto"},
    };
    for (const P& p : kNames)
        if (p.power == power) return p.name;
    return "";
}

const char* const kDigitNames[10] = {"Zero", "One", "Two",   "Three", "Four",
                                     "Five", "Six", "Seven", "Eight", "Nine"};

}  // namespace

std::string buttonSpokenName(int id) {
    const KeypadEntry* e = keypadEntry(id);
    if (!e) return std::string();
    const Label l = e->label(*e, id);
    if (l.user) return l.key == 0 ? "empty unit button" : "Unit " + l.text;
    if (l.text.empty()) return "Blank key";
    if (id == 2045) return "Radix";
    if (State::unitKeypad() && prefixPosition(id) >= 0)
        return std::string("Prefix ") + PrefixName(prefixExponent(prefixPosition(id)));
    if (const Said* s = SaidFor(l.text)) return s->name;
    if (l.text.size() == 1 && l.text[0] >= '0' && l.text[0] <= '9')
        return kDigitNames[l.text[0] - '0'];
    return "Digit " + l.text;  // A to F and on: the letters of a radix above ten
}

std::string buttonKeyName(int id) {
    const KeypadEntry* e = keypadEntry(id);
    if (!e || assignMode) return std::string();
    const Label l = e->label(*e, id);
    if (l.user || l.text.empty() || id == 2045) return std::string();
    if (State::unitKeypad() && prefixPosition(id) >= 0) return std::string();
    if (const Said* s = SaidFor(l.text)) return s->key ? s->key : std::string();
    return l.text;  // a digit is its own key
}

}  // namespace kiv
