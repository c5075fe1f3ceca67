#include "guitest_support.h"

#include <signal.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QThread>

#include "app/qt/alldialogs.h"
#include "app/qt/corelink.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "storage/startup.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv::gui {

// ------------------------------------------------------------ modal answers

ModalAnswerer::ModalAnswerer(std::function<void(QWidget*)> answer, int timeoutMs)
    : answer_(std::move(answer)), remainingMs_(timeoutMs) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
}

ModalAnswerer::~ModalAnswerer() {
    timer_.stop();
}

void ModalAnswerer::poll() {
    remainingMs_ -= timer_.interval();
    QWidget* w = QApplication::activeModalWidget();
    if (w && !qobject_cast<CMainDlg*>(w)) {
        timer_.stop();
        answered_ = true;
        title_ = w->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(w)) text_ = box->text();
        answer_(w);
        return;
    }
    if (remainingMs_ <= 0) timer_.stop();
}

std::unique_ptr<ModalAnswerer> AnswerNextMessageBox(QMessageBox::StandardButton button,
                                                    int timeoutMs) {
    return std::make_unique<ModalAnswerer>(
        [button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) {
                w->close();  // not the box expected: the test sees answered() but no text
                return;
            }
            if (QAbstractButton* b = box->button(button))
                b->click();
            else
                box->close();
        },
        timeoutMs);
}

// ------------------------------------------------------------ main window

MainWindowRun::MainWindowRun() : home_(std::make_unique<TempDataHome>()) {}

MainWindowRun::~MainWindowRun() {
    end();
    home_.reset();
}

void MainWindowRun::build() {
    InstallCoreLink();
    resetKeypadState();
    dlg_ = std::make_unique<CMainDlg>();
    SetWindow(dlg_.get());
    InstallAllDialogs(*dlg_);
    if (!keepImportDialog) dlg_->hooks.importUnits = [this] { ++imports; };
}

bool MainWindowRun::start(QMessageBox::StandardButton welcomeAnswer) {
    if (!dlg_) build();
    if (!AcquireDataFolderLock()) return false;
    std::unique_ptr<ModalAnswerer> welcome;
    if (!QFileInfo::exists(QString::fromStdString(dbPath())))
        welcome = AnswerNextMessageBox(welcomeAnswer);
    const bool ok = dlg_->startUp();
    if (welcome && welcome->answered()) welcomeText = welcome->text();
    if (!ok) {
        dlg_->markShutDown();
        SetWindow(nullptr);
        ReleaseDataFolderLock();
        return false;
    }
    dlg_->show();
    if (!QTest::qWaitForWindowExposed(dlg_.get())) return false;
    dlg_->activateWindow();
    // Offscreen windows may never become active; keys go to the focus widget.
    (void)QTest::qWaitForWindowActive(dlg_.get(), 500);
    return true;
}

void MainWindowRun::end() {
    if (!dlg_) return;
    dlg_->close();
    dlg_->shutDown();
    SetWindow(nullptr);
    ReleaseDataFolderLock();
    dlg_.reset();
}

bool MainWindowRun::restart() {
    end();
    build();
    return start();
}

// ------------------------------------------------------------ input

namespace {

QWidget* KeyTarget(CMainDlg& dlg) {
    if (QWidget* f = dlg.focusWidget()) return f;
    return dlg.control(2045);
}

}  // namespace

void TypeKeys(CMainDlg& dlg, const QString& text) {
    QTest::keyClicks(KeyTarget(dlg), text);
}

void PressKey(CMainDlg& dlg, Qt::Key key, Qt::KeyboardModifiers mods) {
    QTest::keyClick(KeyTarget(dlg), key, mods);
}

void ClickButton(CMainDlg& dlg, int id) {
    auto* b = qobject_cast<QPushButton*>(dlg.control(id));
    if (b) QTest::mouseClick(b, Qt::LeftButton);
}

void EnterNumber(CMainDlg& dlg, const QString& number) {
    TypeKeys(dlg, number);
    PressKey(dlg, Qt::Key_Return);
}

double TopReal() {
    Value v;
    return Peek(0, &v) ? v.real() : -1e300;
}

void Shot(QWidget* w, const char* name) {
    const QByteArray dir = qgetenv("KIV_SHOT_DIR");
    if (dir.isEmpty()) return;
    w->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QLatin1String(name) + ".png"));
}

QString EntryText(CMainDlg& dlg) {
    return dlg.entryLine()->toPlainText();
}

QStringList StackRows(CMainDlg& dlg) {
    QStringList rows;
    QListWidget* list = dlg.stackList();
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}

int ButtonWithLabel(CMainDlg& dlg, const QString& label) {
    for (int id = 2000; id <= 2045; ++id) {
        auto* b = qobject_cast<QPushButton*>(dlg.control(id));
        if (b && b->text() == label) return id;
    }
    return 0;
}

Uid PutUnitOnSlot(const std::string& name, int slot) {
    const Uid unit = DefineUnit(name, 1, {});
    setSlot(slot, MakeExpr({{unit, 0, 1}}));
    onUnitChosen();  // relabel and redraw, as the refresh request does
    return unit;
}

// ------------------------------------------------------------ subprocess

QProcessEnvironment ChildEnvironment(const QString& xdgHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), xdgHome);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

namespace {

// True once the process catches SIGTERM: its SigCgt mask has the bit.
bool CatchesSigterm(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.startsWith("SigCgt:")) continue;
        bool ok = false;
        const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
        return ok && (mask & (1ull << (SIGTERM - 1)));
    }
    return false;
}

}  // namespace

ChildRun RunKiv(const QString& xdgHome, const std::function<void(qint64 pid)>& whileRunning,
                int timeoutMs) {
    ChildRun run;
    QProcess p;
    p.setProcessEnvironment(ChildEnvironment(xdgHome));
    p.start(QStringLiteral(KIV_BINARY), {});
    if (!p.waitForStarted(5000)) {
        run.crashed = true;
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    while (p.state() == QProcess::Running && !CatchesSigterm(p.processId()) &&
           clock.elapsed() < timeoutMs)
        p.waitForFinished(5);  // keeps the state current when it ends early
    run.runningWhenSignalled = p.state() == QProcess::Running;
    if (run.runningWhenSignalled && whileRunning) whileRunning(p.processId());
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        run.crashed = true;
    }
    run.stderrText = QString::fromLocal8Bit(p.readAllStandardError());
    if (p.exitStatus() == QProcess::CrashExit) run.crashed = true;
    run.exitCode = p.exitCode();
    return run;
}

}  // namespace kiv::gui
