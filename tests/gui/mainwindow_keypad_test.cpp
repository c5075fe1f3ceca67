// The main window at work: keys and buttons through its own key handling,
// the stack list, the double-click exchange, menu state, display modes,
// tooltips and the single repaint of a key press.
#include <QAction>
#include <QHelpEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolTip>
#include <memory>

#include "app/core/appevent.h"
#include "app/qt/corelink.h"
#include "engine/stack.h"
#include "guitest_support.h"
#include "res/resource.h"
#include "storage/state.h"

using namespace kiv;
using namespace kiv::gui;

namespace {

void DoubleClickRow(CMainDlg& dlg, int row) {
    QListWidget* list = dlg.stackList();
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

int RowStartingWith(CMainDlg& dlg, const QString& prefix) {
    const QStringList rows = StackRows(dlg);
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].startsWith(prefix)) return i;
    return -1;
}

const int kUnitItems[] = {ID_UNIT_DEFINE, ID_UNIT_SETBUTTON, ID_UNIT_PRIMITIVE};
const int kDisplayItems[] = {ID_DISPLAY_STANDARD, ID_DISPLAY_FIXED, ID_DISPLAY_SCIENTIFIC,
                             ID_DISPLAY_ENGINEERING};

}  // namespace

class KeypadTest : public QObject {
    Q_OBJECT
    // Every case runs on a freshly started main window.
    std::unique_ptr<MainWindowRun> run_;

  private slots:
    void init() {
        run_ = std::make_unique<MainWindowRun>();
        QVERIFY(run_->start());
    }
    void cleanup() { run_.reset(); }

    // Ctrl+B with 5 m on the stack asks first; OK puts metres on the next
    // clicked slot button. The prompt shows in the entry line meanwhile.
    void setButtonFromTheKeyboard() {
        CMainDlg& dlg = run_->dlg();
        PutUnitOnSlot("m", 0);
        TypeKeys(dlg, QStringLiteral("5"));
        ClickButton(dlg, 2036);
        PressKey(dlg, Qt::Key_Return);
        QCOMPARE(EntryText(dlg), QStringLiteral("5 m"));
        auto ask = AnswerNextMessageBox(QMessageBox::Ok, 5000);
        PressKey(dlg, Qt::Key_B, Qt::ControlModifier);
        QVERIFY(ask->answered());
        QVERIFY(ask->text().startsWith(QStringLiteral("Only the units will be stored")));
        QCOMPARE(EntryText(dlg), QStringLiteral("Key for m?"));
        QCOMPARE(Depth(), 0);
        ClickButton(dlg, 2037);  // slot 1
        QCOMPARE(qobject_cast<QPushButton*>(dlg.control(2037))->text(), QStringLiteral("m"));
        QCOMPARE(EntryText(dlg), QString());
        // Cancel leaves the value where it was.
        EnterNumber(dlg, QStringLiteral("7"));
        auto cancel = AnswerNextMessageBox(QMessageBox::Cancel, 5000);
        dlg.menuAction(ID_UNIT_SETBUTTON)->trigger();
        QVERIFY(cancel->answered());
        QCOMPARE(Depth(), 1);
        QCOMPARE(TopReal(), 7.0);
        KIV_VERIFY_OWNERSHIP();
    }

    void stackListRowsAndNumbering() {
        CMainDlg& dlg = run_->dlg();
        const int v = dlg.visibleStackLines();
        QVERIFY(v >= 2);
        QCOMPARE(StackRows(dlg).size(), v);
        EnterNumber(dlg, QStringLiteral("1"));
        EnterNumber(dlg, QStringLiteral("2"));
        EnterNumber(dlg, QStringLiteral("3"));
        // The top is in the entry field; the list counts up from the bottom.
        QCOMPARE(EntryText(dlg), QStringLiteral("3"));
        QStringList rows = StackRows(dlg);
        QCOMPARE(rows.size(), v);
        QCOMPARE(rows.last(), QStringLiteral("1) 2"));
        QCOMPARE(rows[rows.size() - 2], QStringLiteral("2) 1"));
        for (int i = 0; i < rows.size() - 2; ++i) QCOMPARE(rows[i], QString());
        // More entries than rows: the list grows and keeps row 1 in view.
        for (int i = 0; i < v + 3; ++i) EnterNumber(dlg, QString::number(10 + i));
        rows = StackRows(dlg);
        QCOMPARE(rows.size(), Depth() - 1);
        QCOMPARE(rows.first(), QStringLiteral("%1) 1").arg(Depth() - 1));
        QListWidget* list = dlg.stackList();
        QVERIFY(list->visualItemRect(list->item(list->count() - 1)).bottom() <=
                list->viewport()->height());
        QVERIFY(list->visualItemRect(list->item(list->count() - 1)).top() >= 0);
    }

    void doubleClickExchangesWithTop() {
        CMainDlg& dlg = run_->dlg();
        EnterNumber(dlg, QStringLiteral("1"));
        EnterNumber(dlg, QStringLiteral("2"));
        EnterNumber(dlg, QStringLiteral("3"));
        const int row = RowStartingWith(dlg, QStringLiteral("2) "));
        QVERIFY(row >= 0);
        DoubleClickRow(dlg, row);
        QCOMPARE(EntryText(dlg), QStringLiteral("1"));
        QCOMPARE(StackRows(dlg).last(), QStringLiteral("1) 2"));
        QCOMPARE(StackRows(dlg)[row], QStringLiteral("2) 3"));
        QCOMPARE(Depth(), 3);
        // With a line open, the typed number is entered first and takes part.
        TypeKeys(dlg, QStringLiteral("9"));
        const int row3 = RowStartingWith(dlg, QStringLiteral("3) "));
        QVERIFY(row3 >= 0);
        DoubleClickRow(dlg, row3);
        QCOMPARE(Depth(), 4);
        QCOMPARE(TopReal(), 3.0);
        KIV_VERIFY_OWNERSHIP();
    }

    void doubleClickOnBlankLineOnlyEnters() {
        CMainDlg& dlg = run_->dlg();
        EnterNumber(dlg, QStringLiteral("1"));
        EnterNumber(dlg, QStringLiteral("2"));
        TypeKeys(dlg, QStringLiteral("42"));
        QCOMPARE(StackRows(dlg).first(), QString());
        DoubleClickRow(dlg, 0);
        QCOMPARE(Depth(), 3);
        QCOMPARE(State::entryLength(), -1);
        QCOMPARE(TopReal(), 42.0);
        QCOMPARE(EntryText(dlg), QStringLiteral("42"));
        QCOMPARE(StackRows(dlg).last(), QStringLiteral("1) 2"));
    }

    void undoGrayedUntilAnOperation() {
        CMainDlg& dlg = run_->dlg();
        QAction* undo = dlg.menuAction(ID_EDIT_UNDO);
        QVERIFY(!undo->isEnabled());
        // A grayed item's Ctrl+Z does nothing (no beep, no change).
        EnterNumber(dlg, QStringLiteral("2"));
        EnterNumber(dlg, QStringLiteral("3"));
        QVERIFY(!undo->isEnabled());
        TypeKeys(dlg, QStringLiteral("+"));
        QVERIFY(undo->isEnabled());
        QCOMPARE(TopReal(), 5.0);
        PressKey(dlg, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Depth(), 2);
        QCOMPARE(TopReal(), 3.0);
        QVERIFY(!undo->isEnabled());
        // Saved across a restart: still grayed, and enabled when saved so.
        TypeKeys(dlg, QStringLiteral("*"));
        QVERIFY(undo->isEnabled());
        QVERIFY(run_->restart());
        QVERIFY(run_->dlg().menuAction(ID_EDIT_UNDO)->isEnabled());
        PressKey(run_->dlg(), Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(TopReal(), 3.0);
        KIV_VERIFY_OWNERSHIP();
    }

    void integerModeGraysUnitItemsAndDisplayModes() {
        CMainDlg& dlg = run_->dlg();
        int defines = 0;
        dlg.hooks.defineUnit = [&] { ++defines; };
        for (int id : kUnitItems) QVERIFY(dlg.menuAction(id)->isEnabled());
        for (int id : kDisplayItems) QVERIFY(dlg.menuAction(id)->isEnabled());
        QVERIFY(dlg.menuAction(ID_DISPLAY_STANDARD)->isChecked());
        PressKey(dlg, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(defines, 1);

        dlg.command(ID_RADIX_HEX);
        QCOMPARE(State::radix(), 16);
        for (int id : kUnitItems) QVERIFY(!dlg.menuAction(id)->isEnabled());
        for (int id : kDisplayItems) QVERIFY(!dlg.menuAction(id)->isEnabled());
        QVERIFY(dlg.menuAction(ID_UNIT_IMPORT)->isEnabled());
        QVERIFY(dlg.menuAction(ID_UNIT_EXPORT)->isEnabled());
        // The Define unit command is ignored in integer mode, by key or menu.
        PressKey(dlg, Qt::Key_D, Qt::ControlModifier);
        dlg.command(ID_UNIT_DEFINE);
        QCOMPARE(defines, 1);
        // Letters are digits now.
        TypeKeys(dlg, QStringLiteral("ff"));
        QCOMPARE(State::entryLength(), 2);

        dlg.command(ID_RADIX_FLOAT);
        QCOMPARE(State::radix(), 0);
        for (int id : kUnitItems) QVERIFY(dlg.menuAction(id)->isEnabled());
        for (int id : kDisplayItems) QVERIFY(dlg.menuAction(id)->isEnabled());
        KIV_VERIFY_OWNERSHIP();
    }

    void displayModeMenuKeepsTypedNumber() {
        CMainDlg& dlg = run_->dlg();
        EnterNumber(dlg, QStringLiteral("1234.5"));
        TypeKeys(dlg, QStringLiteral("7"));
        dlg.menuAction(ID_DISPLAY_FIXED)->trigger();
        QCOMPARE(State::displayMode(), 1);
        QVERIFY(dlg.menuAction(ID_DISPLAY_FIXED)->isChecked());
        QVERIFY(!dlg.menuAction(ID_DISPLAY_STANDARD)->isChecked());
        QCOMPARE(State::entryLength(), 1);
        QCOMPARE(EntryText(dlg), QStringLiteral("7_"));
        dlg.menuAction(ID_DISPLAY_ENGINEERING)->trigger();
        QCOMPARE(State::displayMode(), 3);
        QVERIFY(dlg.menuAction(ID_DISPLAY_ENGINEERING)->isChecked());
        QVERIFY(!dlg.menuAction(ID_DISPLAY_FIXED)->isChecked());
        // A dialog that changes the mode and asks for a refresh moves the mark.
        State::setDisplayMode(2);
        SendAppEvent(4000);
        QVERIFY(dlg.menuAction(ID_DISPLAY_SCIENTIFIC)->isChecked());
        QVERIFY(!dlg.menuAction(ID_DISPLAY_ENGINEERING)->isChecked());
    }

    void keysReachTheCalculatorBeforeTheFocusedButton() {
        CMainDlg& dlg = run_->dlg();
        int clicks = 0;
        auto* focused = qobject_cast<QPushButton*>(dlg.control(2045));
        connect(focused, &QPushButton::clicked, this, [&] { ++clicks; });
        // Space and Return would press the focused button; Return is ENT here.
        EnterNumber(dlg, QStringLiteral("12"));
        QCOMPARE(clicks, 0);
        QCOMPARE(Depth(), 1);
        QCOMPARE(TopReal(), 12.0);
        // Backspace edits, "-" subtracts (never a sign change).
        TypeKeys(dlg, QStringLiteral("35"));
        PressKey(dlg, Qt::Key_Backspace);
        TypeKeys(dlg, QStringLiteral("-"));
        QCOMPARE(TopReal(), 9.0);
        // "%" is not used in floating mode and changes nothing.
        TypeKeys(dlg, QStringLiteral("%"));
        QCOMPARE(Depth(), 1);
        QCOMPARE(State::entryLength(), -1);
    }

    void keyPressPaintsTheEntryLineOnce() {
        CMainDlg& dlg = run_->dlg();
        EnterNumber(dlg, QStringLiteral("1"));
        EnterNumber(dlg, QStringLiteral("2"));
        QCoreApplication::processEvents();
        QTest::qWait(20);
        const int before = dlg.entryPaints();
        TypeKeys(dlg, QStringLiteral("*"));  // commit, busy text, compute, redraw
        QTRY_VERIFY(dlg.entryPaints() > before);
        QTest::qWait(50);
        // Commit, busy text, result and redraw all end in one paint.
        QCOMPARE(dlg.entryPaints() - before, 1);
        const int afterMultiply = dlg.entryPaints();
        TypeKeys(dlg, QStringLiteral("5"));
        QTRY_VERIFY(dlg.entryPaints() > afterMultiply);
        QTest::qWait(50);
        QCOMPARE(dlg.entryPaints(), afterMultiply + 1);
    }

    void everyKeypadButtonExplainsItself() {
        CMainDlg& dlg = run_->dlg();
        auto tipOf = [&](int id) {
            QWidget* b = dlg.control(id);
            QHelpEvent e(QEvent::ToolTip, b->rect().center(), b->mapToGlobal(b->rect().center()));
            QApplication::sendEvent(b, &e);
            const QString t = QToolTip::isVisible() ? QToolTip::text() : QString();
            QToolTip::hideText();
            return t;
        };
        for (int id = 2000; id <= 2045; ++id) {
            auto* b = qobject_cast<QPushButton*>(dlg.control(id));
            QVERIFY(b);
            if (!b->isEnabled() || b->text().isEmpty()) continue;
            QVERIFY2(!FromCalcText(Core().buttonTooltip(id)).isEmpty(),
                     qPrintable(QStringLiteral("button %1 \"%2\"").arg(id).arg(b->text())));
        }
        PutUnitOnSlot("m", 0);
        QVERIFY(tipOf(2036).contains(QStringLiteral("m")));
        // The tip follows the mode: the same button in integer mode.
        const QString floating = tipOf(2036);
        dlg.command(ID_RADIX_HEX);
        QVERIFY(tipOf(2036) != floating);
    }
};

QTEST_MAIN(KeypadTest)
#include "mainwindow_keypad_test.moc"
