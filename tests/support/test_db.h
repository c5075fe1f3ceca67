// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh in-memory main database with a new state record and a FakeWindow,
// for every core test. Destroying it tears the main database down.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "storage/dbfile.h"
#include "storage/holders.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "support/fake_window.h"
#include "units/algebra.h"

namespace kiv {

class TestDb {
  public:
    TestDb() {
        SetFileOps(DefaultFileOps());
        SetMainDb(std::make_unique<Database>(
            Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"))));
        CreateStateRecord();
        LocateStateRecord();
        ResetUidCache();
        // Every remembered reduction is checked against the full one.
        SetReductionMemo(MemoMode::Checked);
    }
    ~TestDb() {
        DeleteProcessWideUnits();
        ReleaseStateRecord();
        TakeMainDb();
    }
    FakeWindow win;
};

// A temporary XDG_DATA_HOME for tests that touch files: the data folder is
// <tmp>/kiv. The destructor drops any open main database without saving,
// restores the environment and removes the directory.
class TempDataHome {
  public:
    TempDataHome() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kivtest.XXXXXX").string();
        if (char* made = ::mkdtemp(tmpl.data())) home_ = made;
        if (const char* old = std::getenv("XDG_DATA_HOME")) oldXdg_ = old;
        ::setenv("XDG_DATA_HOME", home_.c_str(), 1);
        SetFileOps(DefaultFileOps());
        ResetDataFolderForTests();
    }
    ~TempDataHome() {
        ReleaseDataFolderLock();
        DeleteProcessWideUnits();
        ReleaseStateRecord();
        TakeMainDb();
        SetFileOps(DefaultFileOps());
        if (oldXdg_)
            ::setenv("XDG_DATA_HOME", oldXdg_->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
        ResetDataFolderForTests();
        std::error_code ec;
        if (!home_.empty()) std::filesystem::remove_all(home_, ec);
    }
    const std::string& home() const { return home_; }
    std::string folder() const { return home_ + "/kiv"; }  // GetDataFolder()'s answer
    std::string path(const std::string& name) const { return folder() + "/" + name; }
    // Names in the data folder, sorted.
    std::vector<std::string> list() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(folder(), ec))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::string home_;
    std::optional<std::string> oldXdg_;  // none when it was unset
};

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {  // empty when missing
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

}  // namespace kiv
