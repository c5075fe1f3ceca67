// How the Memory, Units and Define unit dialogs take their input: commands
// act on the line shown as selected only; the Units dialog's keys act the
// same whichever control has the focus, and letters typed quickly extend the
// search; Define unit gives back only what it took, and shows the name as it
// is stored.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "app/core/memorydlg.h"
#include "app/core/unitsdlg.h"
#include "app/qt/dlg_memory.h"
#include "app/qt/dlg_units.h"
#include "engine/stack.h"
#include "guitest_support.h"
#include "res/resource.h"
#include "storage/state.h"
#include "storage/unitlist.h"
#include "units/unitrec.h"

using namespace kiv;
using namespace kiv::gui;

namespace {

int Selected(QListWidget* l) {
    const QList<QListWidgetItem*> chosen = l->selectedItems();
    return chosen.isEmpty() ? -1 : l->row(chosen.first());
}

QString SelectedName(QListWidget* l) {
    const int row = Selected(l);
    return row < 0 ? QStringLiteral("-") : l->item(row)->text().section(QLatin1Char('\t'), 0, 0);
}

QPushButton* Button(QWidget* d, const char* text) {
    for (QPushButton* b : d->findChildren<QPushButton*>())
        if (b->text() == QLatin1String(text)) return b;
    qFatal("no button %s", text);
}

QAction* ClearSelection(CMemoryDlg* d) {
    for (QAction* a : d->menuBarWidget()->actions().first()->menu()->actions())
        if (a->data().toInt() == ID_MEMORY_CLEAR_SELECTION) return a;
    qFatal("no Clear Selection");
}

double Register(int i) {
    return State::memory(i).real();
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        CMemoryDlgLogic::ResetRememberedSelection();
        categoryFilter = kCategoryAll;
    }

    // Ways the list loses its visible selection while keeping a current
    // row; Store, Recall and Clear Selection then have no line to act on.
    void memoryCommandsNeedASelectedLine_data() {
        QTest::addColumn<bool>("ctrlClick");
        QTest::newRow("click below the lines") << false;
        QTest::newRow("Ctrl+click on the selected line") << true;
    }
    void memoryCommandsNeedASelectedLine() {
        QFETCH(bool, ctrlClick);
        MainWindowRun run;
        QVERIFY(run.start());
        EnterNumber(run.dlg(), QStringLiteral("5"));
        CMemoryDlg d(&run.dlg());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QListWidget* list = d.list();
        QCOMPARE(Selected(list), 0);  // the remembered line
        const QRect line3 = list->visualItemRect(list->item(3));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line3.center());
        QCOMPARE(Selected(list), 3);
        if (ctrlClick) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              line3.center());
        } else {
            const QRect last = list->visualItemRect(list->item(9));
            QVERIFY(last.bottom() + 4 < list->viewport()->height());
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              QPoint(last.center().x(), last.bottom() + 4));
        }
        QCOMPARE(Selected(list), -1);
        QCOMPARE(list->currentRow(), 3);  // what Qt still holds
        QVERIFY(!Button(&d, "Store")->isEnabled());
        QVERIFY(!Button(&d, "Recall")->isEnabled());
        QVERIFY(!ClearSelection(&d)->isEnabled());
        QTest::mouseClick(Button(&d, "Store"), Qt::LeftButton);
        QTest::mouseClick(Button(&d, "Recall"), Qt::LeftButton);
        ClearSelection(&d)->trigger();
        QVERIFY(d.isVisible());
        QCOMPARE(Depth(), 1);
        QCOMPARE(TopReal(), 5.0);
        QCOMPARE(Register(3), 0.0);
        // A line selected again is the one Store fills.
        const QRect line6 = list->visualItemRect(list->item(6));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line6.center());
        QVERIFY(Button(&d, "Store")->isEnabled());
        QTest::mouseClick(Button(&d, "Store"), Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(Register(6), 5.0);
        QCOMPARE(Register(3), 0.0);
        QCOMPARE(Depth(), 0);
        KIV_VERIFY_OWNERSHIP();
    }

    // The Units dialog's letters and Ctrl keys, with the focus on the list,
    // the category combo and the Use button: the same unit is found, the
    // category stays "All", Edit Categories does not open.
    void unitsKeysActTheSameWhereverTheFocusIs_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("list") << "list";
        QTest::newRow("category combo") << "combo";
        QTest::newRow("Use button") << "use";
    }
    void unitsKeysActTheSameWhereverTheFocusIs() {
        QFETCH(QString, focus);
        MainWindowRun run;
        QVERIFY(run.start());
        QCOMPARE(ReadUnitList(".cat 1 Length\n.cat 2 Angle\nm 1\nmm 1 0.001 m\nlea 1 4828 m\n"
                              "deg 2\ndegC 2\ng 0\nerg 0\n",
                              "test"),
                 0);
        CUnitsDlg d(&run.dlg());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QWidget* target = focus == "list"    ? static_cast<QWidget*>(d.list())
                          : focus == "combo" ? static_cast<QWidget*>(d.categories())
                                             : d.control(1);
        target->setFocus(Qt::OtherFocusReason);
        QCOMPARE(QApplication::focusWidget(), target);
        bool editOpened = false;
        QPointer<QTimer> watch =
            WhenModal<CEditCategoriesDlg>([](CEditCategoriesDlg*) {}, &editOpened, 60000);
        // "l" is the combo's own search for "Length", "E" for "Edit
        // Categories...".
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("l"));
        QCOMPARE(SelectedName(d.list()), QStringLiteral("lea"));
        QTest::qWait(int(CUnitsDlgLogic::kTypeAheadMs) + 100);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("E"));
        QCOMPARE(SelectedName(d.list()), QStringLiteral("erg"));
        QTest::qWait(int(CUnitsDlgLogic::kTypeAheadMs) + 100);
        // Letters in quick succession extend the search.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("deg"));
        QCOMPARE(SelectedName(d.list()), QStringLiteral("deg"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("C"));
        QCOMPARE(SelectedName(d.list()), QStringLiteral("degC"));
        QVERIFY(!editOpened);
        delete watch;
        QCOMPARE(d.categories()->currentText(), QStringLiteral("All"));
        QCOMPARE(d.list()->count(), 7);
        QCOMPARE(QApplication::focusWidget(), target);
        // Ctrl+X deletes the selected unit, after its question.
        auto box = AnswerNextMessageBox(QMessageBox::No);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(box->answered());
        QVERIFY2(box->text().contains(QStringLiteral("(degC)")), qPrintable(box->text()));
        d.reject();
        KIV_VERIFY_OWNERSHIP();
    }

    // Define unit on an empty stack takes nothing, and gives nothing back,
    // however it is left without OK.
    void defineUnitLeftOnAnEmptyStack_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("close box") << "close";
    }
    void defineUnitLeftOnAnEmptyStack() {
        QFETCH(QString, how);
        MainWindowRun run;
        QVERIFY(run.start());
        QCOMPARE(Depth(), 0);
        bool opened = false;
        WhenModal<CDefineUnitDlg>(
            [&](CDefineUnitDlg* d) {
                QCOMPARE(d->definition()->text(), QStringLiteral("(Base unit)"));
                if (how == "cancel")
                    QTest::mouseClick(Button(d, "Cancel"), Qt::LeftButton);
                else if (how == "escape")
                    QTest::keyClick(d->nameEdit(), Qt::Key_Escape);
                else
                    d->close();
                QVERIFY(!d->isVisible());
            },
            &opened);
        run.dlg().command(ID_UNIT_DEFINE);
        QVERIFY(opened);
        QCOMPARE(Depth(), 0);
        QCOMPARE(EntryText(run.dlg()), QString());
        KIV_VERIFY_OWNERSHIP();
    }

    // The blanks around a typed name go before OK takes it: the field shows
    // the name as stored, also while a refusal is shown.
    void defineUnitShowsTheNameAsStored() {
        MainWindowRun run;
        QVERIFY(run.start());
        QVERIFY(CreateUnit("pad", 0, NULL_UID, 0) != NULL_UID);
        QString whileRefused, afterOk;
        bool opened = false;
        WhenModal<CDefineUnitDlg>(
            [&](CDefineUnitDlg* d) {
                d->nameEdit()->setText(QStringLiteral("  pad "));
                bool asked = false;
                WhenModal<QMessageBox>(
                    [&](QMessageBox* box) {
                        whileRefused = d->nameEdit()->text();
                        box->accept();
                    },
                    &asked);
                QTest::mouseClick(Button(d, "OK"), Qt::LeftButton);
                QVERIFY(asked);  // 1322: the name is taken
                QVERIFY(d->isVisible());
                QCOMPARE(d->nameEdit()->text(), QStringLiteral("pad"));
                d->nameEdit()->setText(QStringLiteral(" pads  "));
                QTest::mouseClick(Button(d, "OK"), Qt::LeftButton);
                afterOk = d->nameEdit()->text();
                QVERIFY(!d->isVisible());
            },
            &opened);
        run.dlg().command(ID_UNIT_DEFINE);
        QVERIFY(opened);
        QCOMPARE(whileRefused, QStringLiteral("pad"));
        QCOMPARE(afterOk, QStringLiteral("pads"));
        QVERIFY(FindUnitByName("pads") != 0);
        KIV_VERIFY_OWNERSHIP();
    }
};

QTEST_MAIN(DialogsTest)
#include "windows_dialogs_test.moc"
