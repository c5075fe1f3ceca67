#include "support/test_db.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/holders.h"

namespace kiv {

TestDb::TestDb() {
    SetFileOps(DefaultFileOps());
    SetMainDb(
        std::make_unique<Database>(Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"))));
    CreateStateRecord();
    LocateStateRecord();
    ResetUidCache();
    // Every remembered reduction is checked against the full one.
    SetReductionMemo(MemoMode::Checked);
}

TestDb::~TestDb() {
    DeleteProcessWideUnits();
    ReleaseStateRecord();
    TakeMainDb();
}

TempDataHome::TempDataHome() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kivtest.XXXXXX").string();
    if (char* made = ::mkdtemp(tmpl.data())) home_ = made;
    if (const char* old = std::getenv("XDG_DATA_HOME")) oldXdg_ = old;
    ::setenv("XDG_DATA_HOME", home_.c_str(), 1);
    SetFileOps(DefaultFileOps());
    ResetDataFolderForTests();
}

TempDataHome::~TempDataHome() {
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

std::vector<std::string> TempDataHome::list() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder(), ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

}  // namespace kiv
