// Scenarios driven by buttons and typed characters: unit arithmetic, alt and
// hyp, CLR, the radix and word-size popups, the assign flow (Ctrl+B), the
// Units dialog hand-over, typed characters per mode, and the redraw.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/core/calctext.h"
#include "app/core/messages.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "keypad/script.h"
#include "res/resource.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace kiv {
namespace {

Value Level(int n) {
    Value v;
    EXPECT_TRUE(Peek(n, &v)) << "level " << n;
    return v;
}
std::string UnitOf(int n) {
    return ExpressionText(Level(n).unit());
}

class KeypadDispatch : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u;
    KeypadDispatch() {
        resetKeypadState();
        setDisplayGeometry(0, 280, 280, 5);
        u = MakeUnitTable();
        setSlot(0, ExpressionOf(u.m));    // 2036
        setSlot(1, ExpressionOf(u.s));    // 2037
        setSlot(25, ExpressionOf(u.kg));  // 2036 with alt
        refreshLabels();
    }
    void TearDown() override { ExpectOwnershipSound(); }
    bool Shown(int id) {
        const std::string text = ComposeCodedMessage(id).text;
        for (const auto& m : db.win.messages)
            if (m.text == text) return true;
        return false;
    }
    std::string Text(int id) { return db.win.controlText[id]; }
};

TEST_F(KeypadDispatch, FiveMetresTimesTwo) {
    RunScript({"5", 2036, "2", "*"});
    EXPECT_FALSE(isEntryOpen());
    ASSERT_EQ(Depth(), 1);
    EXPECT_DOUBLE_EQ(Level(0).real(), 10.0);
    EXPECT_EQ(UnitOf(0), "m");
    EXPECT_EQ(db.win.entryPlain(), "10 m");
    // The top is in the entry field; the list shows five empty rows.
    EXPECT_EQ(db.win.stackRows, std::vector<std::string>(5, ""));
}

TEST_F(KeypadDispatch, StackListRowsNumberedFromTheBottom) {
    RunScript({"1", 2006, "2", 2036, 2006, "3"});
    ASSERT_EQ(db.win.stackRows.size(), 5u);
    // A line is open: level 0 is row 1, at the bottom.
    EXPECT_EQ(db.win.stackRows[4], "1) 2 m");
    EXPECT_EQ(db.win.stackRows[3], "2) 1");
    EXPECT_EQ(db.win.stackRows[2], "");
    RunScript({2006});
    EXPECT_EQ(db.win.stackRows[4], "1) 2 m");
    EXPECT_EQ(db.win.stackRows[3], "2) 1");
    EXPECT_EQ(db.win.entryPlain(), "3");
}

TEST_F(KeypadDispatch, EmptyStackShowsBlankFieldAndEmptyRows) {
    refreshDisplay();
    EXPECT_EQ(db.win.entryPlain(), "");
    EXPECT_EQ(db.win.stackRows, std::vector<std::string>(5, ""));
    EXPECT_FALSE(db.win.controlShown[2103]);
    EXPECT_FALSE(db.win.controlShown[2104]);
}

TEST_F(KeypadDispatch, AltSinIsArcsineAndReleasesAlt) {
    RunScript({"0.5", 2000});
    EXPECT_TRUE(State::altShift());
    EXPECT_EQ(Text(2025), "asin");
    RunScript({2025});
    EXPECT_FALSE(State::altShift());
    EXPECT_EQ(Text(2025), "sin");
    EXPECT_EQ(Text(2000), "alt");
    const double expected = State::degrees() ? 30.0 : std::asin(0.5);
    EXPECT_NEAR(Level(0).real(), expected, 1e-9);
}

TEST_F(KeypadDispatch, PlusKeepsAlt) {
    RunScript({"1", 2006, "2", 2000, 2004});
    EXPECT_TRUE(State::altShift());
    EXPECT_DOUBLE_EQ(Level(0).real(), 3.0);
    RunScript({"4", 2000, "+"});  // alt off by its own key; "+" typed adds
    EXPECT_FALSE(State::altShift());
    EXPECT_DOUBLE_EQ(Level(0).real(), 7.0);
}

TEST_F(KeypadDispatch, AltOnDegreesButtonTogglesHyp) {
    const bool degrees = State::degrees();
    RunScript({2000, 2024});
    EXPECT_TRUE(State::hypShift());
    EXPECT_FALSE(State::altShift());
    EXPECT_EQ(State::degrees(), degrees);
    EXPECT_EQ(Text(2025), "sinh");
    EXPECT_EQ(Text(2026), "cosh");
    RunScript({2000});
    EXPECT_EQ(Text(2024), "HYP");
    EXPECT_EQ(Text(2027), "atanh");
    RunScript({2024});
    EXPECT_FALSE(State::hypShift());
    RunScript({2024});  // without alt: degrees
    EXPECT_NE(State::degrees(), degrees);
    EXPECT_EQ(Text(2024), State::degrees() ? "deg" : "rad");
}

TEST_F(KeypadDispatch, ClearAskedAndRefused) {
    State::setAskClear(1);
    RunScript({"5", 2006, "3", 2000, 2035});
    db.win.answers.push_back(Answer::No);
    RunScript({2044});
    EXPECT_TRUE(Shown(MSG_CONFIRM_CLEAR));
    EXPECT_EQ(Depth(), 1);
    EXPECT_TRUE(isEntryOpen());
    EXPECT_EQ(State::entryText(), "3_");
    EXPECT_TRUE(State::altShift());
    EXPECT_TRUE(State::unitKeypad());
}

TEST_F(KeypadDispatch, ClearAcceptedResetsFlags) {
    State::setAskClear(1);
    RunScript({"5", 2006, "3", 2000, 2035});
    State::setPrefixLevel(2);
    State::setHypShift(1);
    db.win.answers.push_back(Answer::Yes);
    RunScript({2044});
    EXPECT_EQ(Depth(), 0);
    EXPECT_FALSE(isEntryOpen());
    EXPECT_FALSE(State::altShift());
    EXPECT_FALSE(State::unitKeypad());
    EXPECT_FALSE(State::hypShift());
    EXPECT_EQ(State::prefixLevel(), 0);
    EXPECT_EQ(Text(2035), "unit");
}

TEST_F(KeypadDispatch, RadixFromTheStack) {
    const struct {
        const char* name;
        const char* number;
        int radix;
        bool message;
    } rows[] = {
        {"16 gives hexadecimal", "16", 16, false},
        {"40 is out of range", "40", 0, true},
        {"1 is out of range", "1", 0, true},
        {"2.9 truncates to 2", "2.9", 2, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        State::setRadix(0);
        ClearStack();
        db.win.clearMessages();
        RunScript({r.number, 2036, 2006});  // with a unit, which goes too
        db.win.popupAnswers.push_back(3105);
        RunScript({2045});
        EXPECT_EQ(State::radix(), r.radix);
        EXPECT_EQ(Shown(MSG_BASE_RANGE), r.message);
        EXPECT_EQ(Depth(), 0);  // consumed either way
        ExpectOwnershipSound();
    }
}

TEST_F(KeypadDispatch, RadixPopupMarksTheCurrentMode) {
    db.win.popupAnswers.push_back(3101);
    RunScript({"7", 2045});
    ASSERT_EQ(db.win.popupsShown.size(), 1u);
    EXPECT_EQ(db.win.popupsShown[0], 1);  // POPUP_RADIX
    EXPECT_EQ(State::radix(), 16);
    EXPECT_EQ(Text(2045), "hex");
    EXPECT_EQ(Text(2025), "A");
    ASSERT_EQ(Depth(), 1);  // the line was committed before the switch
    EXPECT_TRUE(Level(0).isInt());
    RunScript({2045});  // cancelled: nothing changes
    EXPECT_EQ(State::radix(), 16);
}

TEST_F(KeypadDispatch, WordSizePopup) {
    setRadix(10);
    db.win.popupAnswers.push_back(3120);  // 8 bits
    RunScript({"300", 2012});
    EXPECT_EQ(db.win.popupsShown.back(), 0);  // POPUP_WORDSIZE
    EXPECT_EQ(State::wordSize(), 8);
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Level(0).word()[0], 300 & 0xFF);
    EXPECT_EQ(Level(0).word()[1], 0);
}

TEST_F(KeypadDispatch, SetButtonWithFiveMetres) {
    RunScript({"5", 2036, 2006});
    db.win.answers.push_back(Answer::Cancel);
    RunScript({ID_UNIT_SETBUTTON});
    EXPECT_TRUE(Shown(MSG_UNITS_ONLY));
    EXPECT_FALSE(assignMode);
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(UnitOf(0), "m");

    db.win.clearMessages();
    db.win.answers.push_back(Answer::Ok);
    RunScript({ID_UNIT_SETBUTTON});
    EXPECT_TRUE(Shown(MSG_UNITS_ONLY));
    EXPECT_TRUE(assignMode);
    EXPECT_EQ(Depth(), 0);
    EXPECT_EQ(db.win.entryPlain(), "Key for m?");
    EXPECT_EQ(Text(2035), "none");
    RunScript({2038});  // slot 2, empty until now
    EXPECT_FALSE(assignMode);
    EXPECT_EQ(ExpressionText(State::userButton(2)), "m");
    EXPECT_EQ(Text(2038), "m");
    EXPECT_EQ(Text(2035), "unit");
}

TEST_F(KeypadDispatch, SetButtonWithOneMetreAsksNothing) {
    RunScript({"1", 2037, 2006, ID_UNIT_SETBUTTON});
    EXPECT_TRUE(db.win.messages.empty());
    EXPECT_TRUE(assignMode);
    EXPECT_EQ(db.win.entryPlain(), "Key for s?");
    RunScript({2036});  // replaces m on slot 0
    EXPECT_EQ(ExpressionText(State::userButton(0)), "s");
}

TEST_F(KeypadDispatch, SetButtonOnAnEmptyStackClearsAButton) {
    RunScript({ID_UNIT_SETBUTTON});
    EXPECT_TRUE(assignMode);
    EXPECT_EQ(db.win.entryPlain(), "Key to clear?");
    RunScript({2037});
    EXPECT_EQ(State::userButton(1), NULL_UID);
    EXPECT_EQ(Text(2037), "");
    EXPECT_FALSE(db.win.controlEnabled[2037]);
}

TEST_F(KeypadDispatch, AssignModeAltSwitchesBanksAndEnterEnds) {
    RunScript({"1", 2037, 2006, ID_UNIT_SETBUTTON});
    ASSERT_TRUE(assignMode);
    EXPECT_EQ(Text(2012), "");  // empty slot 20, enabled for picking
    EXPECT_TRUE(db.win.controlEnabled[2012]);
    EXPECT_EQ(Text(2036), "m");
    RunScript({2000});
    EXPECT_TRUE(assignMode);
    EXPECT_EQ(Text(2036), "kg");  // the second bank
    EXPECT_EQ(db.win.entryPlain(), "Key for s?");
    RunScript({2006});  // ENT has no slot: nothing assigned
    EXPECT_FALSE(assignMode);
    EXPECT_EQ(ExpressionText(State::userButton(0)), "m");
    EXPECT_EQ(ExpressionText(State::userButton(25)), "kg");
    EXPECT_EQ(Depth(), 0);
}

TEST_F(KeypadDispatch, AssignToTheSecondBank) {
    RunScript({"1", 2037, 2006, ID_UNIT_SETBUTTON, 2000, 2037});
    EXPECT_EQ(ExpressionText(State::userButton(26)), "s");
    EXPECT_EQ(State::userButton(1) != NULL_UID, true);
}

TEST_F(KeypadDispatch, SetButtonIgnoredInIntegerMode) {
    setRadix(10);
    RunScript({"5", 2006, ID_UNIT_SETBUTTON});
    EXPECT_FALSE(assignMode);
    EXPECT_EQ(Depth(), 1);
}

TEST_F(KeypadDispatch, TypedLettersInFloatingMode) {
    Uid handed = NULL_UID;
    char letterSeen = 0;
    db.win.onDialog = [&](Window::DialogKind kind) {
        if (kind != Window::DialogKind::Units) return;
        letterSeen = unitDialogLetter;
        unitDialogLetter = 0;
        chosenUnit = handed = ExpressionOf(u.h);
    };
    RunScript({"3", "k"});
    ASSERT_EQ(db.win.dialogsRun.size(), 1u);
    EXPECT_EQ(letterSeen, 'k');
    EXPECT_EQ(chosenUnit, NULL_UID);  // taken over and deleted
    EXPECT_NE(handed, NULL_UID);
    EXPECT_EQ(State::entryText(), "3 h_");
    EXPECT_NE(State::entryUnit(), handed);  // the line has its own copy

    db.win.onDialog = nullptr;
    RunScript({2042, "E"});  // upper case folds: the exponent
    EXPECT_EQ(State::entryText(), "3 e_");
    EXPECT_FALSE(onChar('%'));
    EXPECT_FALSE(onChar('&'));
    EXPECT_FALSE(onChar(200));
    EXPECT_EQ(State::entryText(), "3 e_");
}

TEST_F(KeypadDispatch, ListOpensTheUnitsDialogKeepingTheLine) {
    db.win.onDialog = [&](Window::DialogKind) {
        EXPECT_TRUE(isEntryOpen());
        chosenUnit = ExpressionOf(u.s);
    };
    RunScript({"5", 2036, 2029, 2017});
    EXPECT_EQ(State::entryText(), "5 m/s_");
}

TEST_F(KeypadDispatch, TypedCharactersInIntegerMode) {
    setRadix(16);
    RunScript({"k"});
    EXPECT_FALSE(isEntryOpen());
    EXPECT_TRUE(db.win.dialogsRun.empty());
    RunScript({"0c\n", "a", "&"});
    ASSERT_EQ(Depth(), 1);
    EXPECT_EQ(Level(0).word()[0], 0x0C & 0x0A);
    RunScript({"1", "<"});  // shifts the committed 1 left
    EXPECT_EQ(Level(0).word()[0], 2);
    RunScript({"7", "~"});
    EXPECT_EQ(Level(0).word()[0], uint8_t(~7));
    RunScript({"3", "%"});
    EXPECT_EQ(Level(0).word()[0], uint8_t(~7) % 3);
}

TEST_F(KeypadDispatch, AcceleratorCommandsMapToCharacters) {
    RunScript({3001, 3050, 3005, 3051, 3002, 3054});  // "1.5", Enter, "2", "*"
    ASSERT_EQ(Depth(), 1);
    EXPECT_DOUBLE_EQ(Level(0).real(), 3.0);
    RunScript({3014});  // "e"
    EXPECT_EQ(State::entryText(), "1 e_");
    RunScript({3056, 3056, 3059});  // two backspaces, then nothing
    EXPECT_FALSE(isEntryOpen());
    EXPECT_EQ(Depth(), 1);
}

TEST_F(KeypadDispatch, UnitChosenWhileAssignPromptShows) {
    RunScript({ID_UNIT_SETBUTTON});
    onUnitChosen();  // a refresh keeps the prompt
    EXPECT_EQ(db.win.entryPlain(), "Key to clear?");
    beginAssign(ExpressionOf(u.km));  // a newly defined unit replaces it
    onUnitChosen();
    EXPECT_EQ(db.win.entryPlain(), "Key for km?");
    RunScript({2035});  // "none": nothing assigned, the unit is deleted
    EXPECT_FALSE(assignMode);
    EXPECT_EQ(assignUnit, NULL_UID);
}

TEST_F(KeypadDispatch, WriteButtonLinesAndSlotHelpers) {
    std::string out;
    writeButtonLines(out);
    EXPECT_EQ(out, ".btn\t0\t1 m\n.btn\t1\t1 s\n.btn\t25\t1 kg\n");
    const Uid s = State::userButton(1);
    setSlot(3, DuplicateExpression(s));
    clearSlotsUsing(s);
    EXPECT_EQ(State::userButton(1), NULL_UID);
    EXPECT_NE(State::userButton(3), NULL_UID);  // another expression
    DeleteExpression(s);                        // the caller removes it
}

TEST_F(KeypadDispatch, RollAndBackspaceForgetUndo) {
    RunScript({"1", 2006, "2", "+"});
    EXPECT_GT(State::savedCount(), 0);
    RunScript({2041});
    EXPECT_EQ(State::savedCount(), 0);
    RunScript({"4", 2006, "5", "+", 2042});
    EXPECT_EQ(State::savedCount(), 0);
    EXPECT_EQ(Depth(), 1);
}

}  // namespace
}  // namespace kiv
