// The first start as a user meets it: an empty data folder, the welcome
// message answered OK, the main window, the import dialog opening in the
// data folder with both shipped lists in it, the US list imported and the
// user buttons labelled. Then the export dialog's default suffix and the
// file it writes.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "guitest_support.h"
#include "res/resource.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "storage/unitlist.h"
#include "support/ownership.h"
#include "units/unitrec.h"
#include "units/unittext.h"

using namespace kiv;
using namespace kiv::gui;

namespace {

// What a file dialog showed when it was answered.
struct SeenDialog {
    bool seen = false;
    QString title, folder, suffix;
    QStringList filters, listed;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
};

// Waits for a file dialog (other modal widgets are left to their own
// answerers), records it once its folder listing holds `expectFiles` names,
// and answers it with `fileName` in its folder.
class FileDialogAnswerer : public QObject {
  public:
    FileDialogAnswerer(SeenDialog* seen, QString fileName, int expectFiles)
        : seen_(seen), fileName_(std::move(fileName)), expect_(expectFiles) {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }

  private:
    void poll() {
        if (seen_->seen) {  // then the import's confirmation
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                timer_.stop();
                box->accept();
            }
            return;
        }
        auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!fd) return;
        auto* model = fd->findChild<QFileSystemModel*>();
        if (!model) return;
        const QString dir = fd->directory().absolutePath();
        const QModelIndex root = model->index(dir);
        QStringList names;
        for (int r = 0; r < model->rowCount(root); ++r)
            names << model->index(r, 0, root).data().toString();
        // The listing fills in the background; give it its time.
        if (names.size() < expect_ && ++waited_ < 250) return;
        names.sort();
        *seen_ = {true,  fd->windowTitle(), dir, fd->defaultSuffix(), fd->nameFilters(),
                  names, fd->acceptMode()};
        // Typed as a user types it: the name field is what the dialog takes.
        if (auto* name = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(fileName_);
        static_cast<QDialog*>(fd)->accept();  // the file dialog's own checks run
    }

    SeenDialog* seen_;
    QString fileName_;
    int expect_;
    int waited_ = 0;
    QTimer timer_;
};

QString ButtonText(CMainDlg& dlg, int id) {
    auto* b = qobject_cast<QPushButton*>(dlg.control(id));
    return b ? b->text() : QString();
}

}  // namespace

class FirstStartTest : public QObject {
    Q_OBJECT
  private slots:
    void emptyFolderToImportedUsList();
    void exportAddsTheSuffixAndWritesCrLf();
};

void FirstStartTest::emptyFolderToImportedUsList() {
    MainWindowRun run;
    run.keepImportDialog = true;
    const QString folder = QString::fromStdString(run.home().folder());
    SeenDialog seen;
    // The import opens as soon as the window runs, inside start().
    FileDialogAnswerer answer(&seen, QStringLiteral("units-US.txt"), 2);
    QVERIFY(run.start(QMessageBox::Ok));
    QVERIFY(run.welcomeText.startsWith(QStringLiteral("Welcome to Kiv!")));
    QTRY_VERIFY_WITH_TIMEOUT(seen.seen, 15000);

    QCOMPARE(seen.title, QStringLiteral("Import Unit List"));
    QCOMPARE(seen.folder, folder);
    QCOMPARE(seen.mode, QFileDialog::AcceptOpen);
    QCOMPARE(seen.filters,
             QStringList({QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")}));
    QCOMPARE(seen.suffix, QStringLiteral("txt"));
    // Only the lists show under the text filter (not the database file).
    QCOMPARE(seen.listed,
             QStringList({QStringLiteral("units-UK.txt"), QStringLiteral("units-US.txt")}));

    // The US list is in: its plain gallon is the US gallon, its buttons are
    // labelled on the floating keypad's top row.
    QTRY_VERIFY(FindUnitByName("galUS") != 0);
    QCOMPARE(UnitDefinition(FindUnitByName("gal")) == NULL_UID, false);
    QCOMPARE(QString::fromStdString(ExpressionText(UnitDefinition(FindUnitByName("gal")))),
             QStringLiteral("galUS"));
    const QStringList topRow = {QStringLiteral("ft"), QStringLiteral("in"), QStringLiteral("mi"),
                                QStringLiteral("lb"), QStringLiteral("gal")};
    for (int i = 0; i < 5; ++i) QCOMPARE(ButtonText(run.dlg(), 2036 + i), topRow[i]);
    for (int s = 0; s < 40; ++s) QVERIFY(State::userButton(s) != NULL_UID);
    // The unit keypad shows the whole first bank; alt shows the second.
    ClickButton(run.dlg(), 2035);
    QCOMPARE(ButtonText(run.dlg(), 2034), QStringLiteral("g"));  // slot 9, row 2 col 6
    ClickButton(run.dlg(), 2000);
    QCOMPARE(ButtonText(run.dlg(), 2036), QStringLiteral("yd"));  // slot 25
    QCOMPARE(QString::fromStdString(OwnershipReport()), QString());

    // The lists are copied once: a second start leaves the user's copy.
    QFile us(folder + QStringLiteral("/units-US.txt"));
    QVERIFY(us.open(QIODevice::WriteOnly | QIODevice::Truncate));
    us.write("# mine\n");
    us.close();
    QVERIFY(run.restart());
    QVERIFY(us.open(QIODevice::ReadOnly));
    QCOMPARE(us.readAll(), QByteArray("# mine\n"));
    QVERIFY(FindUnitByName("galUS") != 0);  // kept in the database across the restart
}

void FirstStartTest::exportAddsTheSuffixAndWritesCrLf() {
    MainWindowRun run;
    run.keepImportDialog = true;
    SeenDialog seen;
    {
        FileDialogAnswerer answer(&seen, QStringLiteral("units-UK.txt"), 2);
        QVERIFY(run.start(QMessageBox::Ok));
        QTRY_VERIFY_WITH_TIMEOUT(seen.seen, 15000);
    }
    QVERIFY(FindUnitByName("galUK") != 0);
    SeenDialog saved;
    FileDialogAnswerer answer(&saved, QStringLiteral("mine"), 2);
    run.dlg().command(ID_UNIT_EXPORT);
    QVERIFY(saved.seen);
    QCOMPARE(saved.title, QStringLiteral("Export Unit List"));
    QCOMPARE(saved.mode, QFileDialog::AcceptSave);
    QFile out(QString::fromStdString(run.home().path("mine.txt")));
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray text = out.readAll();
    QVERIFY(text.startsWith(".cat 1 Length\r\n"));
    QVERIFY(text.contains("\r\ngal 3\t1 galUK\r\n"));
    QVERIFY(text.contains("\r\n.btn\t12\t1 st\r\n"));
    QCOMPARE(text.count('\n'), text.count("\r\n"));
    QCOMPARE(QString::fromStdString(OwnershipReport()), QString());
}

QTEST_MAIN(FirstStartTest)
#include "firststart_test.moc"
