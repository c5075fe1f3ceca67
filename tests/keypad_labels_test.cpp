// Button labels in every state: the digit and letter buttons per radix, the
// trigonometric names, the unit keypad's prefixes and user banks, the assign
// labels, and the label keys that keep an unchanged refresh from writing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unitrec.h"

namespace kiv {
namespace {

class KeypadLabels : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u;
    KeypadLabels() {
        resetKeypadState();
        u = MakeUnitTable();
        setSlot(0, ExpressionOf(u.m));
        setSlot(20, ExpressionOf(u.s));  // 2012 on the unit keypad
        setSlot(25, ExpressionOf(u.kg));
    }
    void TearDown() override { ExpectOwnershipSound(); }
    std::string Text(int id) { return db.win.controlText[id]; }
    bool Enabled(int id) { return db.win.controlEnabled[id]; }
};

TEST_F(KeypadLabels, FloatingModeGrid) {
    refreshLabels();
    const struct {
        int id;
        const char* text;
    } rows[] = {
        {2000, "alt"},  {2001, "0"},    {2002, "."},   {2003, "+/-"}, {2004, "+"},
        {2005, "full"}, {2006, "ENT"},  {2010, "-"},   {2011, "mem"}, {2012, "EEX"},
        {2016, "*"},    {2017, "list"}, {2018, "pi"},  {2022, "/"},   {2023, "conv"},
        {2025, "sin"},  {2026, "cos"},  {2027, "tan"}, {2028, "1/x"}, {2029, "per"},
        {2030, "ln"},   {2031, "log"},  {2032, "y^x"}, {2033, "x^2"}, {2034, "sqrt"},
        {2035, "unit"}, {2036, "m"},    {2041, "dn"},  {2042, "BSP"}, {2043, "up"},
        {2044, "CLR"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Text(r.id), r.text) << r.id;
        EXPECT_TRUE(Enabled(r.id)) << r.id;
    }
    char precision[16];
    std::snprintf(precision, sizeof precision, ".%d", State::floatPrecision());
    EXPECT_EQ(Text(2045), precision);
    // Empty top-row slots are blank and disabled outside assign mode.
    EXPECT_EQ(Text(2037), "");
    EXPECT_FALSE(Enabled(2037));
}

TEST_F(KeypadLabels, AltForms) {
    State::setAltShift(1);
    refreshLabels();
    const struct {
        int id;
        const char* text;
    } rows[] = {
        {2000, "ALT"}, {2025, "asin"}, {2030, "e^x"},  {2031, "10^x"},
        {2032, "y^/"}, {2033, "x^3"},  {2034, "cbrt"}, {2024, "hyp"},
    };
    for (const auto& r : rows) EXPECT_EQ(Text(r.id), r.text) << r.id;
    // The second bank: slot 25 on 2036, and slot 26 empty.
    EXPECT_EQ(Text(2036), "kg");
    EXPECT_EQ(Text(2037), "");
    EXPECT_FALSE(Enabled(2037));
}

TEST_F(KeypadLabels, AltHypArcsinhBecomesAInHexadecimal) {
    State::setAltShift(1);
    State::setHypShift(1);
    refreshLabels();
    EXPECT_EQ(Text(2025), "asinh");
    EXPECT_EQ(Text(2024), "HYP");
    setRadix(16);
    EXPECT_EQ(Text(2025), "A");
    EXPECT_EQ(Text(2033), "F");
    EXPECT_EQ(Text(2024), "m2>");
    EXPECT_EQ(Text(2045), "hex");
}

TEST_F(KeypadLabels, BinaryBlanksTheHigherDigits) {
    setRadix(2);
    for (int id : {2008, 2009, 2013, 2014, 2015, 2019, 2020, 2021, 2025, 2026, 2027, 2031, 2032,
                   2033, 2002, 2018}) {
        EXPECT_EQ(Text(id), "") << id;
        EXPECT_FALSE(Enabled(id)) << id;
    }
    EXPECT_EQ(Text(2001), "0");
    EXPECT_EQ(Text(2007), "1");
    EXPECT_TRUE(Enabled(2001));
    EXPECT_TRUE(Enabled(2007));
    EXPECT_EQ(Text(2045), "bin");
    EXPECT_EQ(Text(2012), "word");
    EXPECT_EQ(Text(2036), "s>");
    EXPECT_EQ(Text(2017), State::signedInts() ? "sign" : "usign");
}

TEST_F(KeypadLabels, IntegerLabelsPerRadix) {
    const struct {
        int radix;
        int id;
        const char* text;
    } rows[] = {
        {8, 2021, ""},      {8, 2019, "7"},    {10, 2025, ""},   {11, 2025, "A"},
        {12, 2026, "B"},    {13, 2031, ""},    {14, 2031, "D"},  {16, 2033, "F"},
        {36, 2045, "B 36"}, {10, 2045, "dec"}, {8, 2045, "oct"}, {10, 2028, "mod"},
        {10, 2037, "bswp"}, {10, 2039, "not"},
    };
    for (const auto& r : rows) {
        setRadix(r.radix);
        EXPECT_EQ(Text(r.id), r.text) << "radix " << r.radix << " id " << r.id;
    }
}

TEST_F(KeypadLabels, UnitKeypadShowsPrefixesAndUserButtons) {
    State::setUnitKeypad(1);
    refreshLabels();
    EXPECT_EQ(Text(2035), "UNIT");
    EXPECT_EQ(Text(2007), "c-");
    EXPECT_EQ(Text(2008), "m-");
    EXPECT_EQ(Text(2001), "k-");
    EXPECT_EQ(Text(2003), "G-");
    EXPECT_EQ(Text(2004), "pfx");
    EXPECT_EQ(Text(2012), "s");  // slot 20
    EXPECT_EQ(Text(2013), "");   // slot 21, empty
    EXPECT_FALSE(Enabled(2013));
    State::setPrefixLevel(2);
    refreshLabels();
    EXPECT_EQ(Text(2004), "pfx3");
    EXPECT_EQ(Text(2007), "P-");
    EXPECT_EQ(Text(2003), "");  // exponent 0 has no prefix
    EXPECT_FALSE(Enabled(2003));
}

TEST_F(KeypadLabels, AssignModeLabels) {
    beginAssign(NULL_UID);
    refreshLabels();
    EXPECT_EQ(Text(2035), "none");
    EXPECT_EQ(Text(2036), "m");
    EXPECT_EQ(Text(2037), "");
    EXPECT_TRUE(Enabled(2037));  // an empty slot can be picked
    EXPECT_EQ(Text(2001), "");
    EXPECT_FALSE(Enabled(2001));
    EXPECT_EQ(Text(2012), "s");  // the whole block shows user buttons
    EXPECT_EQ(Text(2006), "ENT");
    EXPECT_EQ(Text(2000), "alt");
}

TEST_F(KeypadLabels, UnchangedRefreshWritesNothing) {
    refreshLabels();
    EXPECT_GE(db.win.controlTextWrites, 46);  // the first refresh writes every button
    const int before = db.win.controlTextWrites;
    refreshLabels();
    EXPECT_EQ(db.win.controlTextWrites, before);
    State::setAltShift(1);
    refreshLabels();
    const int changed = db.win.controlTextWrites - before;
    EXPECT_GT(changed, 0);
    EXPECT_LT(changed, 20);  // only the labels that have an alt form
    resetLabelKeys();
    const int beforeReset = db.win.controlTextWrites;
    refreshLabels();
    EXPECT_EQ(db.win.controlTextWrites - beforeReset, 46);
}

TEST_F(KeypadLabels, RenamedUnitShowsAfterTheKeysAreReset) {
    refreshLabels();
    ASSERT_EQ(Text(2036), "m");
    const int index = FindUnitByName("m");
    ASSERT_GT(index, 0);
    ASSERT_EQ(RenameUnit(index, "metre", 0), 0);
    refreshLabels();
    EXPECT_EQ(Text(2036), "m");  // same key: not rewritten
    resetLabelKeys();
    refreshLabels();
    EXPECT_EQ(Text(2036), "metre");
}

TEST_F(KeypadLabels, ResetRewritesButtonsThatBecameBlank) {
    refreshLabels();
    ASSERT_EQ(Text(2002), ".");
    resetLabelKeys();
    setRadix(10);  // 2002 becomes blank
    EXPECT_EQ(Text(2002), "");
    EXPECT_FALSE(Enabled(2002));
}

TEST_F(KeypadLabels, Tooltips) {
    refreshLabels();
    EXPECT_EQ(buttonTooltip(2025), "Sine");
    EXPECT_EQ(buttonTooltip(2036), "Attach the unit m");
    EXPECT_EQ(buttonTooltip(2037), "");  // blank, disabled
    EXPECT_EQ(buttonTooltip(1999), "");
    State::setAltShift(1);
    EXPECT_EQ(buttonTooltip(2025), "Arcsine");
    setRadix(16);
    EXPECT_EQ(buttonTooltip(2025), "Digit A");
}

}  // namespace
}  // namespace kiv
