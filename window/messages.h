// SPDX-License-Identifier: GPL-3.0-or-later
// Coded message boxes: every message of the calculator is one entry of the
// string table (res/strings.h), shown modally over the main window.
#pragma once

#include <string>

namespace kiv {

// Message ids of the string table.
enum MessageId : int {
    MSG_INTERNAL = 1300,  // no entry: shows the "Alert" fallback
    MSG_NOT_ENOUGH = 1302,
    MSG_DIVIDE_ZERO = 1303,
    MSG_NAME_LENGTH = 1304,
    MSG_BASE_RANGE = 1307,
    MSG_TOO_LARGE = 1308,
    MSG_INVALID = 1309,
    MSG_UNIT_MISMATCH = 1310,
    MSG_EXPONENT_UNITS = 1311,
    MSG_EXPONENT_INTEGER = 1312,
    MSG_OVERFLOW = 1313,
    MSG_FRACTIONAL = 1314,
    MSG_HAS_UNITS = 1315,
    MSG_SELECT_FIRST = 1317,
    MSG_CONFIRM_DELETE = 1318,
    MSG_WELCOME = 1319,
    MSG_REDEFINE = 1321,
    MSG_NAME_EXISTS = 1322,
    MSG_STACK_SIZE = 1323,
    MSG_NO_MEMORY = 1324,
    MSG_UNITS_ONLY = 1325,
    MSG_DB_ERROR = 1327,
    MSG_CANNOT_REDEFINE = 1329,
    MSG_EXPONENT_RANGE = 1330,
    MSG_WRONG_VERSION = 1331,
    MSG_CONFIRM_CLEAR = 1332,
    MSG_CANNOT_OPEN = 1333,
    MSG_SYNTAX = 1334,
    MSG_NO_CATEGORY = 1335,
    MSG_EXPORT_LINE_TOO_LONG = 1340,
    MSG_IMPORTED = 1341,
    MSG_IMPORT_LATER = 1342,
    MSG_PASTE_NO_UNIT = 1343,
    MSG_SWITCH_CHANGES = 1344,
    MSG_PASTE_TOO_LONG = 1345,
    MSG_IMPORT_KIND = 1346,
    MSG_IMPORT_UNKNOWN = 1347,
    MSG_IMPORT_SELF = 1348,
    MSG_PASTE_NOT_NUMBER = 1349,
    MSG_PASTE_NOT_INTEGER = 1350,
    MSG_PASTE_GROUPS = 1351,
    MSG_STACK_SHRINK = 1352,
    MSG_UNIT_NAME_LETTERS = 1353,
    MSG_EXPORT_NAME = 1354,
    MSG_NO_UNITS = 1355,
    MSG_ADD_READINGS = 1360,
    MSG_MINUS_READING = 1361,
    MSG_NOT_A_READING = 1362,
    MSG_BELOW_ABSOLUTE_ZERO = 1363,
    MSG_READING_OPERATION = 1364,
    MSG_READING_NOT_DIFFERENCE = 1365,
    MSG_NO_SUCH_UNIT = 1380,
    MSG_DIFFERENT_KINDS = 1381,
    MSG_CONVERT_SYNTAX = 1382,
    MSG_NO_DATABASE = 1383,
    MSG_DATABASE_DAMAGED = 1384,
    MSG_LINES_FAILED = 1385,
    MSG_LONG_NAME = 1390,
};

// What a box would show: the result of reading an entry (or the fallback).
struct ComposedMessage {
    std::string caption;
    std::string text;
    int style = 0;
};

// The two steps of composing, exposed for tests. The letters are folded
// A-Z only; an unknown icon letter is the exclamation, an unknown button
// letter OK. In `raw`, "^1"/"^2"/"^3" take the texts (null inserts
// nothing); any other "^" is kept.
int StyleFromLetters(char icon, char buttons);
std::string ExpandPlaceholders(const std::string& raw, const char* text1, const char* text2,
                               const char* text3 = nullptr);

// Reads entry `id` and fills "^1"/"^2"/"^3" (inserted text is never rescanned; a
// null text inserts nothing). An id without entry gives caption "Alert",
// text "Alert <id>", the exclamation icon and OK.
ComposedMessage ComposeCodedMessage(int id, const char* text1 = nullptr,
                                    const char* text2 = nullptr, const char* text3 = nullptr);

// Shows the message through the window. Returns 0 for OK or Yes, 1 for any
// other answer.
int ShowCodedMessage(int id, const char* text1 = nullptr, const char* text2 = nullptr,
                     const char* text3 = nullptr);

// The id of the last message ShowCodedMessage showed (0 before the first),
// for callers that report what went wrong somewhere else than in a box.
int LastShownMessageId();

}  // namespace kiv
