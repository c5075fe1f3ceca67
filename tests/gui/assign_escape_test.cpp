// Esc at the "Key for ...?" prompt of Set button: the window's key reaches
// the core's cancel, the value comes back on the stack and the window stays;
// the next Esc closes it through the usual shut-down. (The rules of the
// cancel are checked headless in tests/cases/assign_escape.txt.)
#include <QTest>

#include "engine/stack.h"
#include "guitest_support.h"
#include "res/resource.h"

using namespace kiv;
using namespace kiv::gui;

class AssignEscapeTest : public QObject {
    Q_OBJECT

  private slots:
    void escapeCancelsThePromptThenCloses() {
        MainWindowRun run;
        QVERIFY(run.start());
        CMainDlg& dlg = run.dlg();
        PutUnitOnSlot("m", 0);
        const int m = ButtonWithLabel(dlg, QStringLiteral("m"));
        QVERIFY(m != 0);
        TypeKeys(dlg, QStringLiteral("5"));
        ClickButton(dlg, m);
        PressKey(dlg, Qt::Key_Return);
        {
            auto box = AnswerNextMessageBox(QMessageBox::Ok);  // only the unit goes on a button
            PressKey(dlg, Qt::Key_B, Qt::ControlModifier);
            QVERIFY(box->answered());
        }
        QCOMPARE(EntryText(dlg), QStringLiteral("Key for m?"));
        QCOMPARE(Depth(), 0);

        PressKey(dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isShutDown());
        QVERIFY(dlg.isVisible());
        QCOMPARE(Depth(), 1);
        QCOMPARE(EntryText(dlg), QStringLiteral("5 m"));
        KIV_VERIFY_OWNERSHIP();

        PressKey(dlg, Qt::Key_Escape);
        QVERIFY(dlg.isShutDown());
        QVERIFY(!dlg.isVisible());
    }
};

QTEST_MAIN(AssignEscapeTest)
#include "assign_escape_test.moc"
