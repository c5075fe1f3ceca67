// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog (template 102): stack list, entry line, keypad, menu bar
// 128 and the popups of menu 129. It is the Window the core draws through,
// routes every command id to the core inside a drawing scope, and owns the
// start-up and shut-down of the run.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/qt/dialogmetrics.h"
#include "app/qt/qtwindow.h"

class QAction;
class QLocale;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QMenuBar;
class QLabel;
class QPushButton;
class QTextEdit;
class QWidget;

namespace kiv {

// Slots for the dialogs another part of the program supplies. An empty slot
// makes its command do nothing.
struct DialogHooks {
    std::function<void()> defineUnit;            // 32799, floating mode only
    std::function<void()> importUnits;           // 32809
    std::function<void()> exportUnits;           // 32810
    std::function<void()> preferences;           // 32806
    std::function<void()> displayPrefs;          // 32807
    std::function<void()> memoryDialog;          // Window::runDialog(Memory)
    std::function<void()> unitsDialog;           // Window::runDialog(Units)
    std::function<void()> defineUnitFromKeypad;  // Window::runDialog(DefineUnit)
};

class CMainDlg : public QDialog, public QtWindow {
    Q_OBJECT
  public:
    explicit CMainDlg(QWidget* parent = nullptr);
    ~CMainDlg() override;

    // The start-up sequence, run before the window shows. False when the
    // program must end with exit code 2.
    bool startUp();
    // The shut-down steps: run once, by whichever end comes first.
    void shutDown();
    bool isShutDown() const { return shutDown_; }
    // The shut-down could not write the database file.
    bool saveFailed() const { return saveFailed_; }
    // A run that never started has nothing to save.
    void markShutDown() { shutDown_ = true; }
    // A close asked for from outside (a signal, the session ending): open
    // dialogs, message boxes and popups are cancelled first, and the window
    // closes once the handler that opened them has returned, so the
    // shut-down never runs under a handler still using the state record.
    void requestClose();
    // The decimal and group separators for a locale: a separator of exactly
    // one character (in the calculator's code page) is used, any other falls
    // back to "." and ","; the two are never the same character.
    static std::pair<char, char> LocaleSeparators(const QLocale& locale);

    // Routes one command id (menu, accelerator, popup, button).
    void command(int id);
    // Maps a key press to a command id of accelerator table 128; 0 when the
    // key is not in the table.
    static int AcceleratorFor(int key, Qt::KeyboardModifiers mods, const QString& text);

    DialogHooks hooks;

    const DialogUnits& units() const { return du_; }
    QWidget* control(int id) const;
    QAction* menuAction(int id) const;
    QListWidget* stackList() const { return stack_; }
    QTextEdit* entryLine() const { return entry_; }
    QMenuBar* menuBarWidget() const { return menuBar_; }
    // Entry-line paints so far (benchmarks and tests count repaints).
    int entryPaints() const { return entryPaints_; }
    // The calculator text the entry line shows now (special bytes intact).
    const std::string& shownEntryText() const { return shownEntry_; }
    // A popup answered by a test instead of a user: called with the popup's
    // menu, returns the chosen command id.
    std::function<int(QMenu*)> popupAnswerForTests;
    // The document Help opens instead of the installed one (tests point it
    // at a missing file); empty restores the usual lookup.
    void setHelpDocument(const QString& path) { helpDocument_ = path; }

    // Window
    void setControlText(int id, const std::string& text) override;
    void enableControl(int id, bool on) override;
    void showControl(int id, bool on) override;
    void renderEntry(const std::vector<EntryRun>& runs) override;
    void setStackList(const std::vector<std::string>& rows) override;
    void setStackHint(const std::string& text) override;
    void enableMenuItem(int id, bool on) override;
    void checkMenuItem(int id, bool on) override;
    int popupMenu(int popupIndex, int checkedCommand, int anchorButtonId) override;
    bool chooseFile(bool save, const std::string& title, const std::string& startFolder,
                    std::string* path) override;
    void runDialog(DialogKind kind) override;
    void beginScope() override;
    void endScope() override;

    // Geometry measured at start-up (pixels).
    QRect entryBox() const;
    QRect stackListBox() const;
    int visibleStackLines() const;

  protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;  // Escape ends a unit's wait for its button, else closes
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    QAction* addItem(QMenu* menu, const char* text, int id);
    void onStackDoubleClick(QListWidgetItem* item);
    void copyTop();
    void paste();
    void openHelp();
    void about();
    void setDisplayMode(int mode);
    void checkDisplayMode();
    bool ownsKeyEvent(QObject* watched) const;
    void updateAccessibleNames();
    QRect place(int id, int x, int y, int w, int h);  // records a control's dialog units
    void applyZoom();
    void applyAlwaysOnTop();
    void checkZoomItems();

    DialogUnits du_;
    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    QListWidget* stack_ = nullptr;
    QLabel* stackHint_ = nullptr;  // drawn over the empty list, lets clicks through
    QTextEdit* entry_ = nullptr;
    QLabel* hiddenLeft_ = nullptr;
    QLabel* hiddenRight_ = nullptr;
    std::map<int, QWidget*> controls_;
    std::map<int, QRect> places_;  // in dialog units
    std::map<int, QAction*> actions_;
    std::vector<QAction*> displayActions_;
    bool shutDown_ = false;
    bool iconRequested_ = false;
    bool saveFailed_ = false;
    bool saveFailureShown_ = false;
    bool closeRequested_ = false;  // by a signal or the session, not the user
    int scopeDepth_ = 0;
    bool namesStale_ = true;  // a key's label or state changed since the names were set
    int entryPaints_ = 0;
    std::string shownEntry_;
    QString helpDocument_;
};

// The About box (template 100).
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    DialogUnits du_;
};

// The window icon (icon 128), from the shipped PNGs.
QIcon KivIcon();
// The About box logo (bitmap 515): 66 x 66 pixels on black.
QImage AboutLogo();
// Draws `image` at x, y with every pixel of colour `transparent` left out.
void DrawTransparentBitmap(QPainter& p, const QImage& image, int x, int y, QRgb transparent);

// Where the help document is looked for, in order: the installed one beside
// the program, then the source tree's (a run from the build tree).
QStringList HelpDocumentCandidates();

}  // namespace kiv
