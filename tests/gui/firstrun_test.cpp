// The first start's way in, in the real window: a Cancel of the import
// dialog that the first start opens is answered once by a message naming
// the Unit menu's Import; a later Cancel says nothing; an import then
// confirms what it brought and labels the buttons.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "guitest_support.h"
#include "res/resource.h"
#include "storage/state.h"
#include "units/unitrec.h"

using namespace kiv;
using namespace kiv::gui;

namespace {

// Answers file dialogs from a list of choices ("" cancels) and message
// boxes captioned "Import" with OK, recording their texts; other modal
// widgets (the welcome) are left to their own answerers.
class ImportResponder : public QObject {
  public:
    explicit ImportResponder(QStringList choices) : choices_(std::move(choices)) {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }
    QStringList boxes;  // texts of the "Import" boxes answered
    int dialogs = 0;    // file dialogs answered

  private:
    void poll() {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(w);
            box && box->isVisible() && box->windowTitle() == QStringLiteral("Import")) {
            boxes << box->text();
            box->accept();
        } else if (auto* fd = qobject_cast<QFileDialog*>(w); fd && fd->isVisible()) {
            ++dialogs;
            const QString choice = choices_.isEmpty() ? QString() : choices_.takeFirst();
            if (choice.isEmpty()) return fd->reject();
            if (auto* name = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(choice);
            static_cast<QDialog*>(fd)->accept();
        }
    }

    QStringList choices_;
    QTimer timer_;
};

QString Label(CMainDlg& dlg, int id) {
    auto* b = qobject_cast<QPushButton*>(dlg.control(id));
    return b ? b->text() : QString();
}

}  // namespace

class FirstRunTest : public QObject {
    Q_OBJECT
  private slots:
    void cancelSaysHowToImportOnceThenImportConfirms();
};

void FirstRunTest::cancelSaysHowToImportOnceThenImportConfirms() {
    MainWindowRun run;
    run.keepImportDialog = true;
    ImportResponder answers({QString(), QString(), QStringLiteral("units-US.txt")});
    QVERIFY(run.start(QMessageBox::Ok));
    QTRY_COMPARE_WITH_TIMEOUT(answers.dialogs, 1, 15000);
    QTRY_COMPARE(answers.boxes.size(), 1);
    QCOMPARE(answers.boxes[0],
             QStringLiteral("No unit list was imported, so the unit buttons are empty.  To import "
                            "one later, choose Import... on the Unit menu."));
    QCOMPARE(State::userButton(0), NULL_UID);

    // A later Cancel is the user's own choice: nothing more is said.
    run.dlg().command(ID_UNIT_IMPORT);
    QCOMPARE(answers.dialogs, 2);
    QTest::qWait(200);
    QCOMPARE(answers.boxes.size(), 1);

    // The import through the menu confirms what it brought.
    run.dlg().command(ID_UNIT_IMPORT);
    QCOMPARE(answers.dialogs, 3);
    QTRY_COMPARE(answers.boxes.size(), 2);
    QVERIFY2(answers.boxes[1].startsWith(QStringLiteral("Import complete.  Units read: ")),
             qPrintable(answers.boxes[1]));
    QVERIFY(answers.boxes[1].endsWith(QStringLiteral("User buttons set: 40.")));
    QVERIFY(FindUnitByName("galUS") != 0);
    QCOMPARE(Label(run.dlg(), 2036), QStringLiteral("ft"));
    KIV_VERIFY_OWNERSHIP();
}

QTEST_MAIN(FirstRunTest)
#include "firstrun_test.moc"
