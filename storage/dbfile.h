// SPDX-License-Identifier: GPL-3.0-or-later
// Database files: one little-endian file per database, named after the
// database with the suffix "_pdb" (layout in storage/FORMAT.md).
//
// Loading validates the whole file before anything is used; saving is
// atomic (temporary file, flush, fsync, rename, fsync of the folder), so a
// crash at any moment leaves either the old or the new file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/database.h"

namespace kiv {

std::vector<uint8_t> SerializeDatabase(const Database& db);

enum class LoadStatus {
    Ok,
    NotThisDatabase,  // type or creator differ (or too short to tell)
    Damaged,          // the codes match but the file is malformed
};

// Parses a file image. On Ok, *out holds the database (saveOnClose set);
// otherwise *out is untouched and *why names the first fault.
LoadStatus ParseDatabase(const uint8_t* data, size_t size, uint32_t type, uint32_t creator,
                         Database* out, std::string* why = nullptr);

// Repairs a loaded main database (record 0 a sound state record) so that
// every later operation can rely on it: drops records of an unknown kind,
// unowned expressions and components naming no unit; clears references to
// missing records and second claims on an expression; puts state fields
// outside the values the program writes back to a default. A sound
// database is left unchanged.
void RepairMainDatabase(Database& db);

// Low-level file operations, replaceable by tests to simulate faults.
struct FileOps {
    // Writes all of `data` to `fd`; false on a short write or error.
    std::function<bool(int fd, const uint8_t* data, size_t size)> writeAll;
    std::function<bool(int fd)> sync;
    std::function<bool(const std::string& from, const std::string& to)> rename;
};
FileOps DefaultFileOps();
void SetFileOps(const FileOps& ops);  // tests; DefaultFileOps() restores
const FileOps& CurrentFileOps();

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out);

// Writes `data` to folder/name through a temporary file in the same folder,
// then renames it over the target. False (old file intact, temporary
// removed) on any failure.
bool WriteFileAtomically(const std::string& folder, const std::string& name,
                         const std::vector<uint8_t>& data);

// Saves the database into `folder` when save-on-close is set.
bool SaveDatabase(const Database& db, const std::string& folder);

// Result of opening by type and creator.
struct OpenResult {
    std::unique_ptr<Database> db;           // null when none was loaded
    std::vector<std::string> damagedFiles;  // matching files set aside as damaged
};

// Renames `path` to "<path>.damaged" (or ".damaged.N" when taken) and
// returns the new path; empty when it could not be renamed.
std::string SetFileAside(const std::string& path);

// Enumerates "*_pdb" in `folder` (in name order) and loads the first valid
// file whose type and creator match. A matching file that fails validation
// is renamed to "<name>.damaged" (or ".damaged.N" when taken) and skipped.
OpenResult OpenByTypeAndCreator(const std::string& folder, uint32_t type, uint32_t creator);

}  // namespace kiv
