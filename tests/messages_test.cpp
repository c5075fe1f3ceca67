#include "app/core/messages.h"

#include <gtest/gtest.h>

#include "res/strings.h"
#include "support/fake_window.h"

namespace kiv {
namespace {

constexpr int kWarnOk = MB_ICONEXCLAMATION | MB_OK;
constexpr int kInfoOk = MB_ICONINFORMATION | MB_OK;
constexpr int kInfoOkCancel = MB_ICONINFORMATION | MB_OKCANCEL;
constexpr int kQuestionYesNo = MB_ICONQUESTION | MB_YESNO;
constexpr int kErrorOk = MB_ICONERROR | MB_OK;

struct EntryRow {
    int id;
    const char* caption;
    int style;
    const char* text;  // as shown with both texts absent
};

// Every entry of the table, as the user sees it.
const EntryRow kEntries[] = {
    {1302, "Error", kWarnOk, "Not enough numbers on the stack."},
    {1303, "Error", kWarnOk, "Cannot divide by zero."},
    {1304, "Error", kWarnOk, "A unit name must have between 1 and 10 letters."},
    {1307, "Error", kWarnOk, "Base must be between 2 and 36."},
    {1308, "Error", kWarnOk, "Number is too large."},
    {1309, "Error", kWarnOk, "Invalid operation."},
    {1310, "Error", kWarnOk, "Cannot add or subtract numbers which have different units."},
    {1311, "Error", kWarnOk, "An exponent cannot have units."},
    {1312, "Error", kWarnOk,
     "The exponent must be an integer if the number has units.  Use the (1/^) button to extract "
     "roots."},
    {1313, "Warning", kInfoOk,
     "Result has overflowed the word size.  Some high order bits have been discarded."},
    {1314, "Error", kWarnOk, "That would result in a unit having a fractional exponent."},
    {1315, "Error", kWarnOk, "Cannot do that to a number which has units."},
    {1317, "Error", kWarnOk, "Please select an item first."},
    {1318, "Confirm", kQuestionYesNo,
     "Delete that unit (), any other units that depend on it, and any references to those units "
     "on the stack?"},
    {1319, "Welcome to Kiv!", kInfoOkCancel,
     "Welcome to Kiv!\n\nPlease click OK, then select a units file.\n\nSelect units-US.txt to use "
     "US units\nor select units-UK.txt to use UK units."},
    {1321, "Redefine", kQuestionYesNo, "Redefine \"\" as \"\"?"},
    {1322, "Error", kWarnOk,
     "There is already a unit with that name.  Please choose another name."},
    {1323, "Error", kWarnOk, "Stack size should be between 4 and 128."},
    {1324, "Error", kWarnOk, "There is not enough free memory."},
    {1325, "Warning", kInfoOkCancel,
     "Only the units will be stored on the button, not the number.  Use \"Define unit\" to define "
     "a new unit."},
    {1327, "Error", kErrorOk,
     "A database error of type  has occurred.  It may be necessary to uninstall and reinstall "
     "Kiv."},
    {1329, "Error", kWarnOk,
     "Canot redefine  as \"\".  You can change only the magnitude of a definition, not the "
     "units."},
    {1330, "Error", kWarnOk, "Unit exponent must be between -128 and +127.  Unit discarded."},
    {1331, "Error", kErrorOk,
     "The wrong version of the Kiv database is installed.  Please reinstall Kiv."},
    {1332, "Confirm", kQuestionYesNo, "Really clear the whole stack?"},
    {1333, "Error", kErrorOk, "Cannot open ."},
    {1334, "Error", kWarnOk, "Syntax error in , line ."},
    {1335, "Error", kWarnOk, "No room for more categories."},
};

TEST(CodedMessages, EveryEntryShowsItsCaptionStyleAndText) {
    for (const auto& row : kEntries) {
        SCOPED_TRACE(row.id);
        FakeWindow win;
        ASSERT_NE(FindMessageEntry(row.id), nullptr);
        ShowCodedMessage(row.id);
        ASSERT_EQ(win.messages.size(), 1u);
        EXPECT_EQ(win.messages[0].caption, row.caption);
        EXPECT_EQ(win.messages[0].style, row.style);
        EXPECT_EQ(win.messages[0].text, row.text);
    }
}

TEST(CodedMessages, IdsWithoutEntryShowTheAlertFallback) {
    for (int id : {1300, 1301, 1305, 1306, 1316, 1320, 1326, 1328, 1336, 0, -7}) {
        SCOPED_TRACE(id);
        FakeWindow win;
        EXPECT_EQ(FindMessageEntry(id), nullptr);
        EXPECT_EQ(ShowCodedMessage(id, "PtrFromUID: NULL_UID!"), 0);
        ASSERT_EQ(win.messages.size(), 1u);
        EXPECT_EQ(win.messages[0].caption, "Alert");
        EXPECT_EQ(win.messages[0].text, "Alert " + std::to_string(id));
        EXPECT_EQ(win.messages[0].style, kWarnOk);
    }
}

TEST(CodedMessages, Placeholders) {
    struct Row {
        const char* name;
        int id;
        const char* text1;
        const char* text2;
        const char* shown;
    };
    const Row rows[] = {
        {"name inserted", 1318, "ft", nullptr,
         "Delete that unit (ft), any other units that depend on it, and any references to "
         "those units on the stack?"},
        {"both inserted", 1321, "yd", "3 ft", "Redefine \"yd\" as \"3 ft\"?"},
        {"inserted text not rescanned", 1321, "a^2b", "X", "Redefine \"a^2b\" as \"X\"?"},
        {"inserted ^1 stays", 1334, "^1", "^2", "Syntax error in ^1, line ^2."},
        {"second text only", 1334, nullptr, "12", "Syntax error in , line 12."},
        {"caret in table text", 1312, "ignored", nullptr,
         "The exponent must be an integer if the number has units.  Use the (1/^) button to "
         "extract roots."},
        {"type code", 1327, "3", nullptr,
         "A database error of type 3 has occurred.  It may be necessary to uninstall and "
         "reinstall Kiv."},
        {"path with carets", 1333, "/tmp/^x^", nullptr, "Cannot open /tmp/^x^."},
        {"misspelling kept", 1329, "ft", "3 m",
         "Canot redefine ft as \"3 m\".  You can change only the magnitude of a definition, "
         "not the units."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FakeWindow win;
        ShowCodedMessage(r.id, r.text1, r.text2);
        ASSERT_EQ(win.messages.size(), 1u);
        EXPECT_EQ(win.messages[0].text, r.shown);
    }
}

TEST(CodedMessages, PlaceholderScan) {
    struct Row {
        const char* name;
        const char* raw;
        const char* text1;
        const char* text2;
        const char* shown;
    };
    const Row rows[] = {
        {"caret at end", "cost ^", "a", "b", "cost ^"},
        {"caret then other", "^x^3^^1", "A", "B", "^x^3^A"},
        {"absent texts", "[^1][^2]", nullptr, nullptr, "[][]"},
        {"no rescan of text1", "^1|^2", "^2", "Z", "^2|Z"},
        {"no rescan of text2", "^2^1", "^1", "^2", "^2^1"},
        {"adjacent placeholders", "^1^1^2", "ab", "c", "ababc"},
        {"empty raw", "", "a", "b", ""},
        {"newlines kept", "a\n^1\nb", "x", nullptr, "a\nx\nb"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(ExpandPlaceholders(r.raw, r.text1, r.text2), r.shown);
    }
}

TEST(CodedMessages, StyleFromLettersFoldsOnlyAsciiCapitals) {
    struct Row {
        char icon, buttons;
        int style;
    };
    const Row rows[] = {
        {'?', 'y', kQuestionYesNo}, {'?', 'Y', kQuestionYesNo}, {'I', 'C', kInfoOkCancel},
        {'X', 'O', kErrorOk},       {'!', 'o', kWarnOk},        {'q', 'z', kWarnOk},
        {'\xC9', '\xD9', kWarnOk},  // not folded: no letters outside A-Z
        {'i', 'n', kInfoOk},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(1, r.icon) + r.buttons);
        EXPECT_EQ(StyleFromLetters(r.icon, r.buttons), r.style);
    }
}

TEST(CodedMessages, ResultIsZeroOnlyForOkAndYes) {
    struct Row {
        int id;
        Answer answer;
        int result;
    };
    const Row rows[] = {
        {1319, Answer::Ok, 0},  {1319, Answer::Cancel, 1}, {1319, Answer::Closed, 1},
        {1332, Answer::Yes, 0}, {1332, Answer::No, 1},     {1332, Answer::Closed, 1},
        {1325, Answer::Ok, 0},  {1325, Answer::Cancel, 1}, {1302, Answer::Ok, 0},
        {1305, Answer::Ok, 0},  {1318, Answer::No, 1},     {1321, Answer::Yes, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.id);
        FakeWindow win;
        win.answers.push_back(r.answer);
        EXPECT_EQ(ShowCodedMessage(r.id), r.result);
        EXPECT_TRUE(win.answers.empty());
    }
}

}  // namespace
}  // namespace kiv
