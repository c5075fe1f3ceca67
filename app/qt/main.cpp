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

#include "app/qt/alldialogs.h"
#include "app/qt/corelink.h"
#include "app/qt/maindlg.h"
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

int main(int argc, char** argv) {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kiv"));
    QApplication::setApplicationVersion(QStringLiteral("1.6.4"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kiv"));
    QApplication::setWindowIcon(kiv::KivIcon());
    kiv::InstallCoreLink();

    kiv::CMainDlg dlg;
    kiv::SetWindow(&dlg);
    kiv::InstallAllDialogs(dlg);
    bool started = false;

    if (InstallSignalPipe()) {
        auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            char buf[16];
            while (::read(g_signalPipe[1], buf, sizeof buf) > 0) {
            }
            if (started) {
                dlg.requestClose();
            } else {
                // Still starting (a question is open): end it, nothing to save.
                if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
                QApplication::exit(2);
            }
        });
    }
    // A desktop session that ends must not lose the stack and units.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &dlg,
                     [&](QSessionManager&) { dlg.requestClose(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &dlg, [&] { dlg.shutDown(); });

    if (!kiv::AcquireDataFolderLock()) {
        // Either way the user learns why no window comes.
        const QString text = kiv::GetDataFolder().empty()
                                 ? QStringLiteral(
                                       "Kiv cannot make its data folder \"kiv\" in $XDG_DATA_HOME "
                                       "(or ~/.local/share), so it has nowhere to keep its stack "
                                       "and units.")
                                 : QStringLiteral(
                                       "Kiv is already running. This copy ends, so that the "
                                       "running one keeps its stack and units.");
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Kiv"), text, QMessageBox::Ok);
        box.exec();
        dlg.markShutDown();
        return 2;
    }
    if (!dlg.startUp()) {
        dlg.markShutDown();
        kiv::SetWindow(nullptr);
        kiv::ReleaseDataFolderLock();
        return 2;
    }
    started = true;
#ifdef KIV_BENCH_FIRST_PAINT
    kiv::bench::ReportFirstPaint(&dlg);
#endif
    dlg.show();
    const int rc = app.exec();
    dlg.shutDown();
    kiv::SetWindow(nullptr);
    kiv::ReleaseDataFolderLock();
    return rc;
}
