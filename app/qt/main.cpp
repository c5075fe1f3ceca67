// SPDX-License-Identifier: GPL-3.0-or-later
// The application: the lock on the data folder, the main dialog's start-up,
// and every way the run can end going through the same shut-down.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>

#include "app/qt/alldialogs.h"
#include "app/qt/corelink.h"
#include "app/qt/maindlg.h"
#include "kiv_version.h"
#include "storage/startup.h"
#ifdef KIV_BENCH_FIRST_PAINT
#include "bench/gui_firstpaint.h"  // the start-up benchmark's build of this file
#endif

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int sig) {
    const char c = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP become a close of the main window on the event
// loop, so the database is written as on any other normal end.
bool InstallSignalPipe() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return false;
    for (int fd : g_signalPipe) ::fcntl(fd, F_SETFL, O_NONBLOCK);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
    return true;
}

}  // namespace

namespace kiv {

// The application object: runs the main dialog from start-up to shut-down;
// the process ends when run() returns. The main dialog is the owner of every
// message box the calculator shows.
class CCalcApp : public QApplication {
  public:
    CCalcApp(int& argc, char** argv) : QApplication(argc, argv) {
        setApplicationName(QStringLiteral("kiv"));
        setApplicationVersion(QStringLiteral(KIV_VERSION));
        // The installed .desktop file's id: desktops match the window to its
        // launcher and icon by it.
        setDesktopFileName(QStringLiteral("org.kivcalc.Kiv"));
    }

    int run() {
        InstallCoreLink();
        CMainDlg dlg;
        dlg_ = &dlg;
        SetWindow(&dlg);
        InstallAllDialogs(dlg);
        watchEnds();
        const int rc = runDialog();
        dlg.shutDown();
        SetWindow(nullptr);
        ReleaseDataFolderLock();
        dlg_ = nullptr;
        return rc;
    }

  private:
    // Signals, the session ending and quitting all end through the main
    // dialog's shut-down.
    void watchEnds() {
        if (InstallSignalPipe()) {
            auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this] {
                char buf[16];
                while (::read(g_signalPipe[1], buf, sizeof buf) > 0) {
                }
                if (started_) {
                    dlg_->requestClose();
                } else {
                    // Still starting (a question is open): end it, nothing to save.
                    if (QWidget* modal = activeModalWidget()) modal->close();
                    exit(2);
                }
            });
        }
        // A desktop session that ends must not lose the stack and units.
        connect(this, &QGuiApplication::commitDataRequest, dlg_,
                [this](QSessionManager&) { dlg_->requestClose(); });
        connect(this, &QCoreApplication::aboutToQuit, dlg_, [this] { dlg_->shutDown(); });
    }

    // Exit code 2 for any failure before the window shows.
    int runDialog() {
        if (!AcquireDataFolderLock()) {
            // Either way the user learns why no window comes.
            const QString text =
                GetDataFolder().empty()
                    ? QStringLiteral(
                          "Kiv cannot make its data folder \"kiv\" in $XDG_DATA_HOME "
                          "(or ~/.local/share), so it has nowhere to keep its stack "
                          "and units.")
                    : QStringLiteral(
                          "Kiv is already running. This copy ends, so that the "
                          "running one keeps its stack and units.");
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Kiv"), text, QMessageBox::Ok);
            box.setAccessibleDescription(text);
            box.exec();
            dlg_->markShutDown();
            return 2;
        }
        if (!dlg_->startUp()) {
            dlg_->markShutDown();
            return 2;
        }
        started_ = true;
#ifdef KIV_BENCH_FIRST_PAINT
        bench::ReportFirstPaint(dlg_);
#endif
        dlg_->show();
        return exec();
    }

    CMainDlg* dlg_ = nullptr;
    bool started_ = false;
};

}  // namespace kiv

int main(int argc, char** argv) {
    // Answered before Qt starts: it needs no display and touches no data.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kiv %s\n", KIV_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    kiv::CCalcApp app(argc, argv);
    return app.run();
}
