// SPDX-License-Identifier: GPL-3.0-or-later
// Process start to the first painted main window, with a database of 300
// units and a full stack, next to a bare Qt dialog program measured in the
// same run (the goal: within 1.5 times the bare dialog). Each iteration
// spawns the program and takes the time it reports for its first paint.
// The bare dialog is this program itself, started with KIV_BENCH_BARE set.
// Started with KIV_BENCH_WRITE_FOLDER=<dir>, it only writes that database
// as <dir>/kiv/kivDB_pdb (the data folder bench/startup_peers.sh times).
// Runs off screen unless QT_QPA_PLATFORM says otherwise (for example xcb
// under Xvfb).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_db.h"
#include "engine/stack.h"
#include "gui_firstpaint.h"
#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

extern char** environ;

namespace kiv {
namespace {

// The file image of a database with 300 units and a full stack of values
// with units.
std::vector<uint8_t> StartupImage() {
    return Database300Units([](const UnitTable& u) {
        for (int i = 0; i < State::stackSize() - 1; ++i)
            Push(Value::Real(3.0 + i, ExpressionOf(i % 2 ? u.km : u.J)));
    });
}

// A data folder holding that database.
struct Folder {
    TempDataHome home;
    int units = 0;
    Folder() {
        const std::vector<uint8_t> image = StartupImage();
        GetDataFolder();  // creates <home>/kiv
        WriteBytes(home.path("kivDB_pdb"), image);
    }
};

// For bench/startup_peers.sh, which times the real program from outside:
// writes the same database as <home>/kiv/kivDB_pdb and returns 0.
int WriteStartupFolder(const std::string& home) {
    std::vector<uint8_t> image;
    {
        TempDataHome scratch;  // keeps the build of the image off any real data folder
        image = StartupImage();
    }
    std::error_code ec;
    std::filesystem::create_directories(home + "/kiv", ec);
    return !ec && WriteBytes(home + "/kiv/kivDB_pdb", image) ? 0 : 1;
}

// Spawns `exe` with `extra` added to the environment; returns the
// nanoseconds it reported from spawn to first paint, or -1.
long long SpawnAndTime(const std::string& exe, std::vector<std::string> extra) {
    int out[2];
    if (::pipe(out) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    if (!std::getenv("QT_QPA_PLATFORM")) env.emplace_back("QT_QPA_PLATFORM=offscreen");
    for (std::string& x : extra) env.push_back(std::move(x));
    const long long spawnNs = bench::MonotonicNs();
    env.push_back("KIV_BENCH_SPAWN_NS=" + std::to_string(spawnNs));
    std::vector<char*> envp;
    for (std::string& x : env) envp.push_back(x.data());
    envp.push_back(nullptr);
    std::string arg0 = exe;
    char* argv[] = {arg0.data(), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buf[256];
    ssize_t n;
    while (rc == 0 && (n = ::read(out[0], buf, sizeof buf)) > 0) text.append(buf, size_t(n));
    ::close(out[0]);
    int status = 0;
    if (rc != 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    const size_t at = text.find("first-paint-ns ");
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + 15);
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

std::string SelfPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

// Alternates the bare dialog and kiv in every iteration; the iteration time
// is kiv's. Counters: both medians and their ratio.
void BM_FirstPaintKivVsBareDialog(benchmark::State& st) {
    Folder folder;
    const std::string xdg = "XDG_DATA_HOME=" + folder.home.home();
    const std::string self = SelfPath();
    std::vector<double> kivMs, bareMs;
    for (auto _ : st) {
        const long long bare = SpawnAndTime(self, {"KIV_BENCH_BARE=1"});
        const long long kiv = SpawnAndTime(KIV_FIRSTPAINT_BINARY, {xdg});
        if (bare < 0 || kiv < 0) {
            st.SkipWithError("a program did not report its first paint");
            break;
        }
        bareMs.push_back(double(bare) / 1e6);
        kivMs.push_back(double(kiv) / 1e6);
        st.SetIterationTime(double(kiv) / 1e9);
    }
    const double k = Median(kivMs), b = Median(bareMs);
    st.counters["kiv_median_ms"] = k;
    st.counters["bare_median_ms"] = b;
    st.counters["ratio"] = b > 0 ? k / b : 0;
}
BENCHMARK(BM_FirstPaintKivVsBareDialog)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);

// A bare Qt 6 dialog program: an application, one dialog with one label.
int BareDialog(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dlg;
    dlg.setWindowTitle(QStringLiteral("Bare"));
    auto* label = new QLabel(QStringLiteral("A bare dialog"), &dlg);
    label->move(10, 10);
    dlg.resize(280, 300);
    bench::ReportFirstPaint(&dlg);
    dlg.show();
    return app.exec();
}

}  // namespace
}  // namespace kiv

int main(int argc, char** argv) {
    if (std::getenv("KIV_BENCH_BARE")) return kiv::BareDialog(argc, argv);
    if (const char* home = std::getenv("KIV_BENCH_WRITE_FOLDER"))
        return kiv::WriteStartupFolder(home);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
