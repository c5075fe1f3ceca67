// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the data folder, opening (or on the first start creating) the
// main database, and writing it back at the end of the run.
#pragma once

#include <string>

namespace kiv {

inline constexpr const char* kMainDbFileName = "kivDB_pdb";

// Where the data folder is ($XDG_DATA_HOME/kiv, or ~/.local/share/kiv),
// without creating it; empty when there is no home either.
std::string DataFolderPath();
// $XDG_DATA_HOME/kiv, or ~/.local/share/kiv; created when missing. Looked
// up once and kept; empty when no folder can be made (looked up again then).
const std::string& GetDataFolder();
void ResetDataFolderForTests();

// One instance owns the data folder: an exclusive lock on "kiv.lock" in it.
// False when another running instance holds it.
bool AcquireDataFolderLock();
void ReleaseDataFolderLock();  // also removes the lock file

// Opens the main database from the data folder, or (first start) asks
// message 1319 and creates it with a fresh state record, which is saved at
// once, so that a run ending without its shut-down still leaves a file the
// next start can use. False when the program must not start (Cancel
// included). A matching file that fails validation or holds no state
// record, and a kivDB_pdb that cannot be used at all, is kept beside as
// "<name>.damaged" and reported once with database error "5" (before the
// welcome message on the first-start path); never is a file written over.
// When such a file cannot be set aside, start-up fails after that message.
bool StorageStartup();

// Set when this run created the main database.
bool FirstStart();
// True once after a first start: the import that start opens is the first
// one of the run.
bool TakeFirstStartImport();

// Deletes the process-wide unit variables, releases the state record and
// writes the main database to its file (atomically). Returns false when the
// file could not be written (the old file is then intact).
bool StorageShutdown();

}  // namespace kiv
