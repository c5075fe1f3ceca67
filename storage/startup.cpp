// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/startup.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "storage/dbfile.h"
#include "storage/holders.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "window/messages.h"

namespace kiv {
namespace {

std::string g_folder;
bool g_firstStart = false;
bool g_firstImportPending = false;  // the first start's import has not run yet
int g_lockFd = -1;

constexpr uint32_t kType = FourCC("Data");
constexpr uint32_t kCreator = FourCC("Kivc");
constexpr const char* kDbName = "kivDB";

bool MakeDirs(const std::string& path) {
    if (path.empty()) return false;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string part = path.substr(0, i);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    struct stat sb;
    return ::stat(path.c_str(), &sb) == 0 && S_ISDIR(sb.st_mode);
}

}  // namespace

std::string DataFolderPath() {
    std::string base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0]) {
        base = std::string(home) + "/.local/share";
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0]) {
        base = std::string(pw->pw_dir) + "/.local/share";
    }
    return base.empty() ? base : base + "/kiv";
}

const std::string& GetDataFolder() {
    if (!g_folder.empty()) return g_folder;
    const std::string folder = DataFolderPath();
    if (MakeDirs(folder)) g_folder = folder;
    return g_folder;
}

void ResetDataFolderForTests() {
    g_folder.clear();
    g_firstStart = false;
    g_firstImportPending = false;
}

bool AcquireDataFolderLock() {
    if (g_lockFd >= 0) return true;
    const std::string& folder = GetDataFolder();
    if (folder.empty()) return false;
    const std::string path = folder + "/kiv.lock";
    // The holder removes the file when it ends; a lock taken on a file that
    // was removed meanwhile guards nothing, so it is taken again on the new one.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            g_lockFd = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

void ReleaseDataFolderLock() {
    if (g_lockFd < 0) return;
    ::unlink((GetDataFolder() + "/kiv.lock").c_str());
    ::close(g_lockFd);
    g_lockFd = -1;
}

bool StorageStartup() {
    g_firstStart = false;
    g_firstImportPending = false;
    const std::string& folder = GetDataFolder();
    if (folder.empty()) return false;
    OpenResult opened = OpenByTypeAndCreator(folder, kType, kCreator);
    bool damaged = !opened.damagedFiles.empty();
    // A file without its state record (a first start that never reached
    // its first save, written by an older build) cannot run the program;
    // it goes aside like a damaged one and the search goes on.
    while (opened.db && opened.db->count() == 0) {
        if (SetFileAside(folder + "/" + opened.db->fileName).empty()) {
            DatabaseError('5');
            return false;
        }
        damaged = true;
        OpenResult next = OpenByTypeAndCreator(folder, kType, kCreator);
        opened.db = std::move(next.db);
        if (!next.damagedFiles.empty()) damaged = true;
    }
    if (opened.db) {
        if (damaged) DatabaseError('5');
        RepairMainDatabase(*opened.db);
        SetMainDb(std::move(opened.db));
        return true;
    }
    // A kivDB_pdb that could not be used (unreadable, of another type, or
    // damaged and not yet set aside) must survive the first-start path, which
    // would otherwise write an empty database over it.
    const std::string target = folder + "/" + kMainDbFileName;
    struct stat sb;
    if (::lstat(target.c_str(), &sb) == 0) {
        if (SetFileAside(target).empty()) {
            DatabaseError('5');
            return false;
        }
        damaged = true;
    }
    if (damaged) DatabaseError('5');
    g_firstStart = true;
    if (ShowCodedMessage(MSG_WELCOME) != 0) return false;
    // The first file already holds the state record: a run that ends
    // without its shut-down (killed in the import dialog, power lost) must
    // leave a database the next start can use.
    SetMainDb(std::make_unique<Database>(Database::MakeEmpty(kDbName, kCreator, kType)));
    if (!CreateStateRecord() || !SaveDatabase(*MainDb(), folder)) {
        TakeMainDb();
        return false;
    }
    ResetUidCache();
    g_firstImportPending = true;
    return true;
}

bool FirstStart() {
    return g_firstStart;
}

bool TakeFirstStartImport() {
    const bool pending = g_firstImportPending;
    g_firstImportPending = false;
    return pending;
}

bool StorageShutdown() {
    DeleteProcessWideUnits();
    ReleaseStateRecord();
    std::unique_ptr<Database> db = TakeMainDb();
    if (!db) return true;
    return SaveDatabase(*db, GetDataFolder());
}

}  // namespace kiv
