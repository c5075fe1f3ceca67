// Shared helpers for the QtTest GUI suites: a main window built the way the
// program builds it, over its own temporary data folder; answering the next
// modal dialog or message box from a timer; typing and clicking; running the
// real kiv binary as a subprocess.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/maindlg.h"
#include "storage/database.h"
#include "support/ownership.h"
#include "support/test_db.h"

// The unit-expression ownership check as a QtTest check: fails the test
// with the report when any expression has no owner or two.
#define KIV_VERIFY_OWNERSHIP()                                \
    do {                                                      \
        const std::string report_ = ::kiv::OwnershipReport(); \
        QVERIFY2(report_.empty(), report_.c_str());           \
    } while (0)

namespace kiv::gui {

// Answers the first modal widget (other than the main window) that becomes
// active after construction, by calling `answer` with it. Polls from a timer,
// so it works for modal loops that are entered after it is armed. Gives up
// after `timeoutMs`; answered() tells whether it fired.
class ModalAnswerer : public QObject {
  public:
    ModalAnswerer(std::function<void(QWidget*)> answer, int timeoutMs = 10000);
    ~ModalAnswerer() override;
    bool answered() const { return answered_; }
    // The caption and text of the widget answered (message boxes: the text).
    const QString& title() const { return title_; }
    const QString& text() const { return text_; }

  private:
    void poll();
    std::function<void(QWidget*)> answer_;
    QTimer timer_;
    int remainingMs_;
    bool answered_ = false;
    QString title_, text_;
};

// Runs `act` on the next visible modal widget of type T, from a timer, while
// the caller blocks in the code that opens it. Whatever `act` leaves open is
// rejected, so a failed check never leaves the test waiting for a user.
// `opened`, when given, tells whether it ran. Gives up after `timeoutMs`;
// deleting the returned timer stops the wait earlier.
template <class T>
QPointer<QTimer> WhenModal(std::function<void(T*)> act, bool* opened = nullptr,
                           int timeoutMs = 10000) {
    if (opened) *opened = false;
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    auto remaining = std::make_shared<int>(timeoutMs / 5);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        T* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible()) {
            if (--*remaining <= 0) timer->deleteLater();
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (opened) *opened = true;
        QPointer<T> alive(w);
        act(w);
        if (alive && alive->isVisible()) alive->reject();
    });
    timer->start();
    return timer;
}

// Answers the next message box by pressing `button`.
std::unique_ptr<ModalAnswerer> AnswerNextMessageBox(QMessageBox::StandardButton button,
                                                    int timeoutMs = 10000);

// One main window over a fresh temporary XDG_DATA_HOME, set up the way
// main.cpp sets it up (core link, window, dialogs, folder lock, start-up).
// The first-start import is counted in `imports` instead of opening its
// dialog, unless keepImportDialog is set before start().
class MainWindowRun {
  public:
    MainWindowRun();
    ~MainWindowRun();  // ends the window through its shut-down (saves)

    // Runs the start-up sequence; on the first start message 1319 is answered
    // with `welcomeAnswer`. Shows the window when started.
    bool start(QMessageBox::StandardButton welcomeAnswer = QMessageBox::Ok);
    // Closes the window (shut-down, save), then builds and starts a new one on
    // the same data folder: what a restart of the program does.
    bool restart();
    // Ends the current window without building a new one.
    void end();

    // Builds the window without starting it (start() does this itself).
    void build();

    CMainDlg& dlg() { return *dlg_; }
    TempDataHome& home() { return *home_; }
    std::string dbPath() const { return home_->path("kivDB_pdb"); }

    int imports = 0;
    bool keepImportDialog = false;
    QString welcomeText;  // the text of message 1319 when it was shown

  private:
    std::unique_ptr<TempDataHome> home_;
    std::unique_ptr<CMainDlg> dlg_;
};

// Input as a user gives it, sent to the widget that has the focus (button
// 2045 after start-up) so the main window's key handling sees it first.
void TypeKeys(CMainDlg& dlg, const QString& text);
void PressKey(CMainDlg& dlg, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier);
void ClickButton(CMainDlg& dlg, int id);
// Types `number` and presses Enter.
void EnterNumber(CMainDlg& dlg, const QString& number);
// The number of the real value on top of the stack; -1e300 when the stack
// is empty.
double TopReal();
// The plain text of the entry line and the stack list's rows.
QString EntryText(CMainDlg& dlg);
QStringList StackRows(CMainDlg& dlg);
// The id of the keypad button showing `label` now; 0 when none does.
int ButtonWithLabel(CMainDlg& dlg, const QString& label);

// Saves what `w` shows as <name>.png in the folder KIV_SHOT_DIR names, so
// the screenshot scripts can collect the dialogs; nothing when it is unset.
void Shot(QWidget* w, const char* name);

// Creates a base unit and puts it on user-button slot 0..49, then relabels.
// Needs a started window. Returns the unit's UID.
Uid PutUnitOnSlot(const std::string& name, int slot);

// The real program, run over `xdgHome` with the offscreen platform.
struct ChildRun {
    int exitCode = -1;
    bool crashed = false;
    bool runningWhenSignalled = false;  // still there (waiting) when whileRunning ran
    QString stderrText;
};
QProcessEnvironment ChildEnvironment(const QString& xdgHome);
// Starts kiv, waits until its handlers for SIGTERM, SIGINT and SIGHUP are in
// place (from then on a signal ends it through its own shut-down), runs
// `whileRunning`, then waits for its end. A child still running after
// `timeoutMs` is killed and reported as crashed.
ChildRun RunKiv(const QString& xdgHome, const std::function<void(qint64 pid)>& whileRunning,
                int timeoutMs = 20000);

}  // namespace kiv::gui
