// The entry line driven by keys: digits, decimal point, exponent, sign,
// prefixes, "per" and unit keys, the three backspaces, the 128-character
// limit, HP stack mode, the scrolled view, paste and copy.
#include <gtest/gtest.h>

#include <string>

#include "app/core/calctext.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "keypad/script.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace kiv {
namespace {

// The line with its cursor, the decimal-point code shown as ".".
std::string Line() {
    if (!isEntryOpen()) return "(closed)";
    std::string s = State::entryText();
    for (char& c : s)
        if (uint8_t(c) == DECIMAL_MARK) c = '.';
    return s;
}
Value Level(int n) {
    Value v;
    EXPECT_TRUE(Peek(n, &v)) << "level " << n;
    return v;
}
std::string UnitOf(int n) {
    return ExpressionText(Level(n).unit());
}

// Fresh keypad state with m, s and min on the first three user buttons
// (2036, 2037, 2038).
UnitTable PrepareKeypad() {
    resetKeypadState();
    setDisplayGeometry(0, 280, 280, 5);
    UnitTable t = MakeUnitTable();
    setSlot(0, ExpressionOf(t.m));
    setSlot(1, ExpressionOf(t.s));
    setSlot(2, ExpressionOf(t.min));
    return t;
}

class KeypadEntry : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u = PrepareKeypad();
    void TearDown() override { ExpectOwnershipSound(); }
};

TEST(KeypadEntryTable, EditingKeysBuildTheLine) {
    const struct {
        const char* name;
        std::vector<ScriptKey> keys;
        const char* line;
    } rows[] = {
        {"digits", {"123"}, "123_"},
        {"EEX on an empty line", {2012}, "1 e_"},
        {"EEX then backspace", {2012, 2042}, "1_"},
        {"EEX then digits", {"1.5", 2012, "3"}, "1.5 e3_"},
        {"second EEX ignored", {"2e", "e"}, "2 e_"},
        {"decimal point alone", {"."}, "._"},
        {"second decimal point ignored", {"1.5."}, "1.5_"},
        {"decimal point after e ignored", {"1e."}, "1 e_"},
        {"+/- into the exponent", {"1.5e3", 2003}, "1.5 e-3_"},
        {"+/- twice", {"1.5e3", 2003, 2003}, "1.5 e3_"},
        {"+/- without exponent", {"42", 2003}, "-42_"},
        {"+/- back", {"42", 2003, 2003}, "42_"},
        {"unit key on an empty line", {2036}, "1 m_"},
        {"unit key", {"5", 2036}, "5 m_"},
        {"per then a unit", {"5", 2029, 2037}, "5 1/s_"},
        {"per then two units", {"5", 2029, 2037, 2038}, "5 1/s*min_"},
        {"unit per unit", {"5", 2036, 2029, 2037}, "5 m/s_"},
        {"per on an empty line", {2029}, "1 1/_"},
        {"exponent after a unit ignored", {"5", 2036, 2012}, "5 m_"},
        {"backspace strips the unit part", {"5", 2036, 2029, 2037, 2042}, "5_"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestDb db;  // every row on a fresh database
        PrepareKeypad();
        RunScript(r.keys);
        EXPECT_EQ(Line(), r.line);
        ExpectOwnershipSound();
    }
}

TEST_F(KeypadEntry, DecimalPointAloneCommitsZero) {
    RunScript({".", 2006});
    EXPECT_FALSE(isEntryOpen());
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Level(0).real(), 0.0);
}

TEST_F(KeypadEntry, DigitAfterAUnitCommitsFirst) {
    RunScript({"5", 2036, "7"});
    EXPECT_EQ(Line(), "7_");
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Level(0).real(), 5.0);
    EXPECT_EQ(UnitOf(0), "m");
}

TEST_F(KeypadEntry, UnitKeyOnEmptyLineCommitsOneWithTheUnit) {
    RunScript({2036, 2006});
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Level(0).real(), 1.0);
    EXPECT_EQ(UnitOf(0), "m");
}

TEST_F(KeypadEntry, PerPutsBothUnitsIntoTheDenominator) {
    RunScript({"5", 2029, 2037, 2038});
    const auto comps = Components(State::entryUnit());
    ASSERT_EQ(comps.size(), 2u);
    for (const Component& c : comps) EXPECT_EQ(c.exponent, -1);
    EXPECT_EQ(State::perState(), 1);
    RunScript({2006});
    EXPECT_EQ(UnitOf(0), "1/s*min");
    EXPECT_EQ(State::perState(), 0);
}

TEST_F(KeypadEntry, ThreeBackspacesOnAUnitLine) {
    RunScript({"3", 2006, "5", 2036, 2029, 2037});
    EXPECT_EQ(Line(), "5 m/s_");
    RunScript({2042});
    EXPECT_EQ(Line(), "5_");
    EXPECT_EQ(State::entryUnit(), NULL_UID);
    EXPECT_EQ(State::perState(), 0);
    RunScript({2042});
    EXPECT_FALSE(isEntryOpen());
    EXPECT_EQ(Depth(), 1);
    EXPECT_NE(db.win.entryPlain().find('3'), std::string::npos);  // the top shows again
    RunScript({2042});
    EXPECT_EQ(Depth(), 0);
    RunScript({2042});  // an empty stack is left alone
    EXPECT_EQ(Depth(), 0);
    EXPECT_TRUE(db.win.messages.empty());
}

TEST_F(KeypadEntry, PrefixKeys) {
    State::setUnitKeypad(1);
    RunScript({"5"});   // the unit keypad has no digits: type it
    RunScript({2001});  // kilo
    EXPECT_EQ(Line(), "5 k-_");
    EXPECT_EQ(State::pendingPrefix(), 3);
    EXPECT_EQ(pendingPrefixText(), "k-");
    RunScript({2002});  // mega replaces the pending kilo
    EXPECT_EQ(Line(), "5 M-_");
    RunScript({2001, 2036});  // kilo, then m
    EXPECT_EQ(Line(), "5 km_");
    EXPECT_EQ(State::pendingPrefix(), 0);
    EXPECT_EQ(State::unitKeypad(), false);  // a user button leaves the unit keypad
    State::setUnitKeypad(1);
    RunScript({2001});
    EXPECT_EQ(Line(), "5 km*k-_");
    EXPECT_EQ(pendingPrefixText(), "*k-");
    RunScript({2042});
    EXPECT_EQ(Line(), "5_");
    EXPECT_EQ(State::pendingPrefix(), 0);
    EXPECT_TRUE(pendingPrefixText().empty());
}

TEST_F(KeypadEntry, KiloThenUnitCommitsKilometres) {
    State::setUnitKeypad(1);
    RunScript({"2", 2001, 2036, 2006});
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Level(0).real(), 2.0);
    EXPECT_EQ(UnitOf(0), "km");
}

TEST_F(KeypadEntry, SignChangeLeavesThePendingPrefixAlone) {
    // The unit keypad is left with a prefix pending; "+/-" then edits only
    // the number, not the "-" of "k-".
    State::setUnitKeypad(1);
    RunScript({"5", 2001, 2035});
    EXPECT_FALSE(State::unitKeypad());
    RunScript({2003});
    EXPECT_EQ(Line(), "-5 k-_");
    RunScript({2003});
    EXPECT_EQ(Line(), "5 k-_");
}

TEST_F(KeypadEntry, LineLimitOf128Characters) {
    RunScript({std::string(127, '1')});
    EXPECT_EQ(State::entryLength(), 127);
    RunScript({2012});  // the exponent does not fit: unchanged
    EXPECT_EQ(State::entryLength(), 127);
    EXPECT_EQ(Line(), std::string(127, '1') + "_");
    RunScript({"23"});
    EXPECT_EQ(State::entryLength(), 128);
    EXPECT_EQ(Line(), std::string(127, '1') + "2_");
    RunScript({2003});  // no room for a sign either
    EXPECT_EQ(State::entryLength(), 128);
}

TEST_F(KeypadEntry, LongLineIsShownAnchoredAtItsEnd) {
    RunScript({std::string(60, '8')});
    const int hidden = hiddenLeft();
    EXPECT_GT(hidden, 0);
    EXPECT_EQ(hiddenRight(), 0);
    EXPECT_EQ(db.win.controlText[300], std::to_string(hidden));
    EXPECT_EQ(db.win.controlText[301], "");
    EXPECT_TRUE(db.win.controlShown[2103]);
    EXPECT_FALSE(db.win.controlShown[2104]);
    // The visible tail ends with the cursor and fits the box.
    const std::string shown = db.win.entryPlain();
    EXPECT_EQ(shown.back(), '_');
    EXPECT_EQ(int(shown.size()), 61 - hidden);
    EXPECT_LE(db.win.textWidth(FontId::EntryLarge, shown.data(), int(shown.size())), 280);

    onScrollButton(2103);
    EXPECT_EQ(hiddenLeft(), hidden - 1);
    EXPECT_GT(hiddenRight(), 0);
    EXPECT_EQ(db.win.controlText[301], std::to_string(hiddenRight()));
    EXPECT_TRUE(db.win.controlShown[2104]);
    onScrollButton(2104);
    EXPECT_EQ(hiddenRight(), 0);
    EXPECT_EQ(hiddenLeft(), hidden);
}

TEST_F(KeypadEntry, ShortLineHidesNothing) {
    RunScript({"12"});
    EXPECT_EQ(hiddenLeft(), 0);
    EXPECT_EQ(db.win.controlText[300], "");
    EXPECT_FALSE(db.win.controlShown[2103]);
    EXPECT_EQ(db.win.entryPlain(), "12_");
}

TEST_F(KeypadEntry, EnterWithoutHpStackMode) {
    RunScript({"5", 2006});
    EXPECT_EQ(Depth(), 1);
    RunScript({2006});  // no line open: duplicates
    EXPECT_EQ(Depth(), 2);
    RunScript({"7"});
    EXPECT_EQ(Depth(), 2);  // nothing replaced
}

TEST_F(KeypadEntry, HpStackModeEnterThenDigitReplacesTheCopy) {
    SetHpStackMode(true);
    State::setHpStack(1);
    RunScript({"4", 2006, "5", 2006});
    EXPECT_EQ(Level(0).real(), 5.0);
    EXPECT_EQ(Level(1).real(), 5.0);
    EXPECT_EQ(Level(2).real(), 4.0);
    RunScript({"7", 2006});
    EXPECT_EQ(Level(0).real(), 7.0);
    EXPECT_EQ(Level(1).real(), 7.0);
    EXPECT_EQ(Level(2).real(), 5.0);
    EXPECT_EQ(Level(3).real(), 4.0);
}

TEST_F(KeypadEntry, HpStackModeDuplicatesTheUnit) {
    SetHpStackMode(true);
    State::setHpStack(1);
    RunScript({"5", 2036, 2006});
    EXPECT_EQ(UnitOf(0), "m");
    EXPECT_EQ(UnitOf(1), "m");
    EXPECT_NE(Level(0).unit(), Level(1).unit());  // each owns its own
}

TEST_F(KeypadEntry, IntegerRadixFiltersDigits) {
    onRadixCommand(3103);  // octal
    RunScript({"7", "8", "9", "a", "k", 2002});
    EXPECT_EQ(Line(), "7_");
    RunScript({2006});
    onRadixCommand(3101);  // hexadecimal
    RunScript({"f", "k", "F"});
    EXPECT_EQ(Line(), "FF_");
    RunScript({2006});
    Value v = Level(0);
    ASSERT_TRUE(v.isInt());
    EXPECT_EQ(v.word()[0], 0xFF);
    EXPECT_EQ(v.word()[1], 0x00);
}

TEST_F(KeypadEntry, CommittedNegativeIntegerInTheWord) {
    onRadixCommand(3102);
    setWordSize(8);
    RunScript({"5", 2003, 2006});
    Value v = Level(0);
    ASSERT_TRUE(v.isInt());
    EXPECT_EQ(v.word()[0], 0xFB);
    for (int i = 1; i < 16; ++i) EXPECT_EQ(v.word()[i], 0) << i;
}

TEST(KeypadEntryTable, PasteFeedsTheCharacterRules) {
    const struct {
        const char* name;
        char decimal;
        int radix;
        const char* text;
        const char* line;
    } rows[] = {
        {"group separator ignored", '.', 0, "1,234.5", "1234.5_"},
        {"comma as decimal", ',', 0, "1,234.5", "1.2345_"},
        {"hex digits refused in floating mode", '.', 0, "ff", "(closed)"},
        {"hex digits in hexadecimal", '.', 16, "ff", "FF_"},
        {"exponent", '.', 0, "1e3", "1 e3_"},
        {"e is a digit in hexadecimal", '.', 16, "1e3", "1E3_"},
        {"minus edits the sign", '.', 0, "-12", "-12_"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestDb db;
        PrepareKeypad();
        SetSeparators(r.decimal, r.decimal == '.' ? ',' : '.');
        if (r.radix) setRadix(r.radix);
        PasteText(r.text);
        EXPECT_EQ(Line(), r.line);
        EXPECT_EQ(Depth(), 0);  // a paste enters nothing
        ExpectOwnershipSound();
    }
    SetSeparators('.', ',');
}

TEST_F(KeypadEntry, CopyTakesTheLineOrTheTop) {
    SetSeparators(',', '.');
    RunScript({"12.5"});
    EXPECT_EQ(CopyTopText(), "12,5");
    RunScript({2006});
    EXPECT_EQ(CopyTopText(), "12,5");
    RunScript({2042});
    EXPECT_EQ(CopyTopText(), "");
    SetSeparators('.', ',');
}

TEST_F(KeypadEntry, DeletedUnitIsForgottenByTheLine) {
    RunScript({"5", 2036});
    const Uid unit = State::entryUnit();
    ASSERT_NE(unit, NULL_UID);
    forgetUnit(unit);
    EXPECT_EQ(State::entryUnit(), NULL_UID);
    EXPECT_EQ(Line(), "5 m_");  // the text stays
    DeleteExpression(unit);     // the deletion walk removes the record
    RunScript({2006});
    EXPECT_EQ(Level(0).unit(), NULL_UID);
    EXPECT_EQ(Level(0).real(), 5.0);
}

}  // namespace
}  // namespace kiv
