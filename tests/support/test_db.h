// A fresh in-memory main database with a new state record and a FakeWindow,
// for every core test. Destroying it tears the main database down.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_window.h"

namespace kiv {

class TestDb {
  public:
    TestDb();
    ~TestDb();
    FakeWindow win;
};

// A temporary XDG_DATA_HOME for tests that touch files: the data folder is
// <tmp>/kiv. The destructor drops any open main database without saving,
// restores the environment and removes the directory.
class TempDataHome {
  public:
    TempDataHome();
    ~TempDataHome();
    const std::string& home() const { return home_; }
    std::string folder() const { return home_ + "/kiv"; }  // GetDataFolder()'s answer
    std::string path(const std::string& name) const { return folder() + "/" + name; }
    // Names in the data folder, sorted.
    std::vector<std::string> list() const;

  private:
    std::string home_;
    std::optional<std::string> oldXdg_;  // none when it was unset
};

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);  // empty when missing

}  // namespace kiv
