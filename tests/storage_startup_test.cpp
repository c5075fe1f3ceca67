#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace kiv {
namespace {

constexpr uint32_t kData = FourCC("Data");
constexpr uint32_t kKivc = FourCC("Kivc");

Database LoadFile(const std::string& path) {
    const std::vector<uint8_t> b = ReadBytes(path);
    Database db;
    EXPECT_EQ(ParseDatabase(b.data(), b.size(), kData, kKivc, &db), LoadStatus::Ok);
    return db;
}

TEST(DataFolder, IsKivUnderXdgDataHomeAndIsCreated) {
    TempDataHome tmp;
    EXPECT_EQ(GetDataFolder(), tmp.folder());
    EXPECT_TRUE(tmp.list().empty());  // exists (listable) and empty
}

TEST(DataFolder, RelativeXdgDataHomeFallsBackToHome) {
    TempDataHome tmp;
    const char* oldHome = std::getenv("HOME");
    const std::string saved = oldHome ? oldHome : "";
    ::setenv("XDG_DATA_HOME", "relative/dir", 1);
    ::setenv("HOME", tmp.home().c_str(), 1);
    ResetDataFolderForTests();
    EXPECT_EQ(GetDataFolder(), tmp.home() + "/.local/share/kiv");
    if (oldHome)
        ::setenv("HOME", saved.c_str(), 1);
    else
        ::unsetenv("HOME");
}

TEST(StorageStartup, CancelOnTheWelcomeLeavesNoDatabase) {
    TempDataHome tmp;
    FakeWindow win;
    win.answers.push_back(Answer::Cancel);
    EXPECT_FALSE(StorageStartup());
    ASSERT_EQ(win.messages.size(), 1u);
    EXPECT_EQ(win.messages[0].caption, "Welcome to Kiv!");
    EXPECT_EQ(win.messages[0].style, MB_ICONINFORMATION | MB_OKCANCEL);
    EXPECT_EQ(MainDb(), nullptr);
    EXPECT_TRUE(tmp.list().empty());
}

TEST(StorageStartup, FirstStartThenShutdownThenSecondStart) {
    TempDataHome tmp;
    FakeWindow win;
    ASSERT_TRUE(StorageStartup());
    EXPECT_TRUE(FirstStart());
    ASSERT_EQ(win.messages.size(), 1u);
    EXPECT_EQ(win.messages[0].text.substr(0, 16), "Welcome to Kiv!\n");
    // The first file already holds the state record.
    EXPECT_EQ(LoadFile(tmp.path("kivDB_pdb")).count(), 1);
    ASSERT_NE(MainDb(), nullptr);
    EXPECT_EQ(MainDb()->count(), 1);
    ASSERT_TRUE(LocateStateRecord());
    EXPECT_EQ(State::stackSize(), 16);
    State::setPrecision(4);
    ASSERT_TRUE(StorageShutdown());
    EXPECT_EQ(MainDb(), nullptr);

    const Database saved = LoadFile(tmp.path("kivDB_pdb"));
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.size(0), 1184u);
    EXPECT_EQ(saved.uid(0), 1u);
    EXPECT_EQ(saved.attributes(0) & 0x0F, 1u);
    EXPECT_EQ(saved.u8(0, 22), 4);
    EXPECT_EQ(saved.nextUid, 2u);
    EXPECT_EQ(tmp.list(), std::vector<std::string>{"kivDB_pdb"});

    ResetDataFolderForTests();
    win.clearMessages();
    ASSERT_TRUE(StorageStartup());
    EXPECT_FALSE(FirstStart());
    EXPECT_TRUE(win.messages.empty());
    ASSERT_TRUE(LocateStateRecord());
    EXPECT_EQ(State::floatPrecision(), 4);
    EXPECT_EQ(State::wordSize(), 32);
}

TEST(StorageStartup, LargerStackSurvivesARestart) {
    TempDataHome tmp;
    FakeWindow win;
    ASSERT_TRUE(StorageStartup());
    ASSERT_TRUE(LocateStateRecord());
    ASSERT_TRUE(ResizeStateRecord(32));
    State::setStackSizeField(32);
    State::setStackTop(31);
    State::setStackEntry(31, Value::Real(6.5));
    ASSERT_TRUE(StorageShutdown());

    ResetDataFolderForTests();
    ASSERT_TRUE(StorageStartup());
    ASSERT_TRUE(LocateStateRecord());
    EXPECT_EQ(State::recordSize(), 1568u);
    EXPECT_EQ(State::stackSize(), 32);
    EXPECT_EQ(State::stackEntry(31).real(), 6.5);
}

TEST(StorageStartup, ShutdownKeepsTheOldFileWhenTheSaveFails) {
    TempDataHome tmp;
    FakeWindow win;
    ASSERT_TRUE(StorageStartup());
    ASSERT_TRUE(StorageShutdown());
    const std::vector<uint8_t> before = ReadBytes(tmp.path("kivDB_pdb"));
    ResetDataFolderForTests();
    ASSERT_TRUE(StorageStartup());
    ASSERT_TRUE(LocateStateRecord());
    State::setPrecision(3);
    FileOps failing = DefaultFileOps();
    failing.rename = [](const std::string&, const std::string&) { return false; };
    SetFileOps(failing);
    EXPECT_FALSE(StorageShutdown());
    SetFileOps(DefaultFileOps());
    EXPECT_EQ(ReadBytes(tmp.path("kivDB_pdb")), before);
    EXPECT_EQ(tmp.list(), std::vector<std::string>{"kivDB_pdb"});
}

// Runs AcquireDataFolderLock in a child process started before this process
// takes the lock, once `go` is written; the exit code tells the result.
class LockProbe {
  public:
    LockProbe() {
        if (::pipe(fds_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds_[1]);
            char c;
            const bool go = ::read(fds_[0], &c, 1) == 1;
            _exit(go && AcquireDataFolderLock() ? 0 : 1);
        }
        ::close(fds_[0]);
    }
    // True when the child got the lock.
    bool run() {
        if (pid_ <= 0) return false;
        const char c = 'g';
        if (::write(fds_[1], &c, 1) != 1) return false;
        ::close(fds_[1]);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    ~LockProbe() {
        if (pid_ > 0) {
            ::close(fds_[1]);
            ::waitpid(pid_, nullptr, 0);
        }
    }

  private:
    int fds_[2] = {-1, -1};
    pid_t pid_ = -1;
};

TEST(DataFolderLock, OnlyOneProcessHoldsIt) {
    TempDataHome tmp;
    ASSERT_FALSE(GetDataFolder().empty());
    LockProbe whileHeld, afterRelease;
    ASSERT_TRUE(AcquireDataFolderLock());
    EXPECT_TRUE(AcquireDataFolderLock());  // the holder asking again
    EXPECT_FALSE(whileHeld.run());
    ReleaseDataFolderLock();
    EXPECT_TRUE(tmp.list().empty());  // the lock file goes with the lock
    EXPECT_TRUE(afterRelease.run());
}

}  // namespace
}  // namespace kiv
