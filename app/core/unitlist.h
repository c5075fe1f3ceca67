// SPDX-License-Identifier: GPL-3.0-or-later
// Unit list files: the categories, units with their definitions and the
// user-button units of the main database as plain text, one record a line.
//
//   # comment
//   .cat N NAME            category N (0-15) is called NAME
//   UNIT C                 base unit in category C
//   UNIT C MAG EXPRESSION  unit defined as MAG times the expression
//   .btn S NUM EXPRESSION  user-button slot S (0-49) carries the expression
//   .btn S                 slot S is emptied
//
// On disk the text is Windows-1252 with CR LF line ends; the reader also
// takes LF alone, and a file that is valid UTF-8 is transcoded first.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "storage/database.h"

namespace kiv {

inline constexpr const char* kImportTitle = "Import Unit List";
inline constexpr const char* kExportTitle = "Export Unit List";
inline constexpr const char* kUnitListExtension = "txt";
// The file dialogs' filter as pairs of description and pattern.
inline constexpr const char* kUnitListFilter = "Text files (*.txt)|*.txt|All files|*.*||";
// Longer lines are read in pieces of this many characters, each a line.
inline constexpr size_t kUnitListPiece = 255;
inline constexpr const char* kShippedUnitLists[] = {"units-US.txt", "units-UK.txt"};

// What a reading brought: units created (a replaced unit counts) and user
// buttons given a unit.
struct UnitListCounts {
    int units = 0;
    int buttons = 0;
};

// Reads unit-list text held in memory (raw file bytes: any encoding the
// reader accepts, LF or CR LF). `sourceName` names the text in message 1334.
// Returns 0 when every line was read, else the number of the line that
// ended the reading (syntax error, an unknown unit, a unit defined on
// itself, or no room for another record), or kImportDeclined when the user
// declined a change of kind and nothing changed. Sends no refresh request.
// `counts`, when given, tells what the lines read brought. A line naming an
// existing unit redefines it in place: everything using it keeps it.
inline constexpr int kImportDeclined = -1;
int ReadUnitList(const std::string& text, const std::string& sourceName,
                 UnitListCounts* counts = nullptr);

// The export of the main database, as the program sees it: Windows-1252
// with LF line ends. Every line holds its record whole; a line longer than
// kUnitListPiece would not read back, and `tooLong` (when given) then names
// the first unit (the unit's name, or a user button's unit text) whose line
// it is, and is empty otherwise. `unreadable` (when given) likewise names
// the first unit whose name is not all letters a-z and A-Z (a name an older
// version accepted), which a list could not read back.
std::string UnitListText(std::string* tooLong = nullptr, std::string* unreadable = nullptr);

// File level. Import reads the file (1333 when it cannot be read) and sends
// the refresh request when it was read; export writes CR LF line ends (1333
// when the file cannot be written) and writes nothing when a unit's name
// would not read back (1354) or a line would be too long (1340), each
// message naming the unit. True on success.
bool ImportUnitListFile(const std::string& path, UnitListCounts* counts = nullptr);
bool ExportUnitListFile(const std::string& path);

// The "Import..." and "Export..." commands: a file dialog starting in the
// data folder, then the file level above. `choose` defaults to the window's
// chooseFile. On the first start the import first copies the shipped lists
// into the data folder, and a Cancel of the dialog that start opens says
// how to import later (message 1342). An import read to its end confirms
// how many units and buttons it brought (message 1341).
using FileChooser = std::function<bool(bool save, const std::string& title,
                                       const std::string& startFolder, std::string* path)>;
void ImportUnitList(const FileChooser& choose = nullptr);
void ExportUnitList(const FileChooser& choose = nullptr);

// Text that is valid UTF-8 and not plain ASCII, transcoded to Windows-1252
// (a leading byte-order mark dropped, characters without a Windows-1252 byte
// become kNoCharacter); any other text unchanged.
inline constexpr char kNoCharacter = char(0x81);
std::string TranscodeUtf8ToCp1252(const std::string& text);

// The folder holding the shipped unit lists: <exe>/../share/kiv when they
// are installed, else the source tree's data folder. Empty when neither.
std::string ShippedUnitListFolder();
// Copies each shipped list that is absent from `folder`. Returns how many
// were copied.
int CopyShippedUnitLists(const std::string& folder);

}  // namespace kiv
