// SPDX-License-Identifier: GPL-3.0-or-later
#include "res/strings.h"

namespace kiv {
namespace {

struct Entry {
    int id;
    const char* text;
};

const Entry kMessages[] = {
    {1302, "!oError\tNot enough numbers on the stack."},
    {1303, "!oError\tCannot divide by zero."},
    {1304, "!oError\tA unit name must have between 1 and 10 letters."},
    {1307, "!oError\tBase must be between 2 and 36."},
    {1308, "!oError\tNumber is too large."},
    {1309, "!oError\tInvalid operation."},
    {1310, "!oError\tCannot add or subtract numbers which have different units."},
    {1311, "!oError\tAn exponent cannot have units."},
    {1312,
     "!oError\tThe exponent must be an integer if the number has units.  Use the (1/^) button "
     "to extract roots."},
    {1313,
     "ioWarning\tResult has overflowed the word size.  Some high order bits have been "
     "discarded."},
    {1314, "!oError\tThat would result in a unit having a fractional exponent."},
    {1315, "!oError\tCannot do that to a number which has units."},
    {1317, "!oError\tPlease select an item first."},
    {1318,
     "?yConfirm\tDelete that unit (^1), any other units that depend on it, and any references "
     "to those units on the stack?"},
    {1319,
     "icWelcome to Kiv!\tWelcome to Kiv!\n\nPlease click OK, then select a units file.\n\n"
     "Select units-US.txt to use US units\nor select units-UK.txt to use UK units."},
    {1321, "?yRedefine\tRedefine \"^1\" as \"^2\"?"},
    {1322, "!oError\tThere is already a unit with that name.  Please choose another name."},
    {1323, "!oError\tStack size should be between 4 and 128."},
    {1324, "!oError\tThere is not enough free memory."},
    {1325,
     "icWarning\tOnly the units will be stored on the button, not the number.  Use \"Define "
     "unit\" to define a new unit."},
    {1327,
     "xoError\tA database error of type ^1 has occurred.  It may be necessary to uninstall and "
     "reinstall Kiv."},
    {1329,
     "!oError\tCanot redefine ^1 as \"^2\".  You can change only the magnitude of a "
     "definition, not the units."},
    {1330, "!oError\tUnit exponent must be between -128 and +127.  Unit discarded."},
    {1331, "xoError\tThe wrong version of the Kiv database is installed.  Please reinstall Kiv."},
    {1332, "?yConfirm\tReally clear the whole stack?"},
    {1333, "xoError\tCannot open ^1."},
    {1334, "!oError\tSyntax error in ^1, line ^2."},
    {1335, "!oError\tNo room for more categories."},
    {1340,
     "!oError\tCannot export the unit list: the line for ^1 would be longer than 255 "
     "characters.  No file was written."},
    {1341, "ioImport\tImport complete.  Units read: ^1.  User buttons set: ^2."},
    {1342,
     "ioImport\tNo unit list was imported, so the unit buttons are empty.  To import one "
     "later, choose Import... on the Unit menu."},
    {1343, "!oError\tNothing was pasted: there is no unit called \"^1\"."},
    {1344,
     "?yConfirm\tSwitching the mode changes ^1 on the stack or in the memories: ^2.  Switch "
     "anyway?"},
    {1345, "!oError\tNothing was pasted: the text is longer than the entry line can hold."},
    {1346,
     "?yImport\tThis unit list gives units a different kind (the base units they stand "
     "for): ^1 values on the stack, in the memories or being typed and ^2 units change what "
     "they mean.  Import it anyway?"},
    {1347,
     "!oImport\tImport stopped at line ^2: there is no unit called \"^1\".  The ^3 lines "
     "before it were imported; that line and the rest of the file were not."},
    {1348,
     "!oImport\tImport stopped at line ^2: the definition of \"^1\" would refer to itself.  "
     "The ^3 lines before it were imported; that line and the rest of the file were not."},
    {1349,
     "!oPaste\tNothing was pasted: \"^1\" is not one number.  Paste takes one number written "
     "with the decimal separator \"^2\", optionally followed by a unit."},
    {1350,
     "!oPaste\tNothing was pasted: \"^1\" is not one whole number in base ^2.  In integer "
     "mode Paste takes the digits of one number, without a unit."},
    {1351,
     "!oPaste\tNothing was pasted: in \"^1\" the group separator \"^2\" does not separate "
     "whole groups of ^3 digits."},
    {1352,
     "?yStack size\tThe stack holds ^1 values.  A stack of ^2 would lose the ^3 deepest of "
     "them.  Make the stack smaller anyway?"},
    {1353,
     "!oError\tA unit name may hold only the letters a-z and A-Z, so that unit lists and "
     "Paste can read it back."},
    {1354,
     "!oError\tCannot export the unit list: the unit name \"^1\" holds characters other than "
     "the letters a-z and A-Z, and would not read back.  Rename it first.  No file was "
     "written."},
    {1355, "ioUnits\tNo units: choose Import... on the Unit menu to read a unit list."},
    {1360,
     "!oError\tCannot add two temperature readings.  Subtract them to get a difference, or "
     "convert them to ^1 first."},
    {1361,
     "!oError\tCannot subtract a temperature reading from a difference.  Subtract the "
     "difference from the reading, or convert the reading to ^1 first."},
    {1362,
     "!oError\tA value in ^1 is a temperature difference, not a reading: it converts into ^2, "
     "not into a scale.  Add it to a reading to get a temperature."},
    {1363, "!oError\tThat temperature would lie below absolute zero.  Nothing was changed."},
    {1364, "!oError\tCannot do that to a temperature reading in ^1.  Convert it to ^2 first."},
    {1365,
     "!oError\tA temperature reading cannot become a difference in ^1.  Convert it to ^2, or "
     "subtract another reading to get a difference."},
    {1380, "!oError\tThere is no unit called \"^1\"."},
    {1381, "!oError\tCannot convert ^1 to ^2: the units measure different kinds of quantity."},
    {1382, "!oError\tSyntax error in \"^1\": a number and a unit are expected."},
    {1383,
     "xoError\tThere is no unit database at ^1.  Start Kiv once to create it, or name a unit "
     "list with --list."},
    {1384,
     "xoError\tThe unit database ^1 is damaged (^2) and was not read.  Kiv sets it aside at "
     "its next start; meanwhile name a unit list with --list."},
    {1385, "!oError\t^1 of ^2 lines could not be converted."},
    {1390, "!oError\tA long name cannot hold a double quote or a control character."},
};

}  // namespace

const char* FindMessageEntry(int id) {
    for (const auto& e : kMessages)
        if (e.id == id) return e.text;
    return nullptr;
}

}  // namespace kiv
