// Start-up and shut-down of the main window: the first start with its
// question, exit codes of the real program, the state surviving every
// normal end, and one program per data folder.
#include <signal.h>
#include <sys/stat.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include "app/core/appevent.h"
#include "guitest_support.h"
#include "res/resource.h"
#include "storage/startup.h"
#include "storage/state.h"

using namespace kiv;
using namespace kiv::gui;

namespace {

ino_t InodeOf(const std::string& path) {
    struct stat sb {};
    return ::stat(path.c_str(), &sb) == 0 ? sb.st_ino : 0;
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// A stack of 1, 2.5 and 3, the line "42" still being typed, Scientific
// display mode: the state a restart must bring back.
void MakeState(CMainDlg& dlg) {
    EnterNumber(dlg, QStringLiteral("1"));
    EnterNumber(dlg, QStringLiteral("2.5"));
    EnterNumber(dlg, QStringLiteral("3"));
    dlg.command(ID_DISPLAY_SCIENTIFIC);
    TypeKeys(dlg, QStringLiteral("42"));
}

struct Snapshot {
    QStringList rows;
    QString entry;
    int displayMode = -1;
    std::string entryText;
    int entryLength = 0;
    bool scientificChecked = false;
};

Snapshot Take(CMainDlg& dlg) {
    Snapshot s;
    s.rows = StackRows(dlg);
    s.entry = EntryText(dlg);
    s.displayMode = State::displayMode();
    s.entryText = State::entryText();
    s.entryLength = State::entryLength();
    s.scientificChecked = dlg.menuAction(ID_DISPLAY_SCIENTIFIC)->isChecked();
    return s;
}

void ExpectSame(const Snapshot& a, const Snapshot& b) {
    QCOMPARE(b.rows, a.rows);
    QCOMPARE(b.entry, a.entry);
    QCOMPARE(b.displayMode, a.displayMode);
    QCOMPARE(b.entryLength, a.entryLength);
    QCOMPARE(b.entryText, a.entryText);
    QCOMPARE(b.scientificChecked, a.scientificChecked);
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void firstStartOkOpensWindowThenImport() {
        MainWindowRun run;
        run.build();
        bool visibleAtImport = false;
        int imports = 0;
        run.dlg().hooks.importUnits = [&] {
            ++imports;
            visibleAtImport = run.dlg().isVisible();
        };
        QVERIFY(AcquireDataFolderLock());
        auto welcome = AnswerNextMessageBox(QMessageBox::Ok);
        QVERIFY(run.dlg().startUp());
        QVERIFY(welcome->answered());
        QCOMPARE(welcome->title(), QStringLiteral("Welcome to Kiv!"));
        QVERIFY(welcome->text().contains(QStringLiteral("units-US.txt")));
        QCOMPARE(imports, 0);  // posted, so it runs once the window is up
        QVERIFY(QFile::exists(QString::fromStdString(run.dbPath())));
        run.dlg().show();
        QTRY_COMPARE(imports, 1);
        QVERIFY(visibleAtImport);
        // The focus sits on button 2045.
        QCOMPARE(run.dlg().focusWidget(), run.dlg().control(2045));
        // An empty stack: blank entry line, only empty rows.
        QCOMPARE(EntryText(run.dlg()), QString());
        QVERIFY(!StackRows(run.dlg()).isEmpty());
        for (const QString& row : StackRows(run.dlg())) QCOMPARE(row, QString());
        KIV_VERIFY_OWNERSHIP();
    }

    void firstStartCancelCreatesNothing() {
        MainWindowRun run;
        QVERIFY(!run.start(QMessageBox::Cancel));
        QVERIFY(!run.welcomeText.isEmpty());
        QVERIFY(!run.dlg().isVisible());
        QCOMPARE(run.imports, 0);
        QCoreApplication::processEvents();
        QCOMPARE(run.imports, 0);
        QCOMPARE(Entries(QString::fromStdString(run.home().folder())), QStringList());
    }

    void secondStartAsksNothingAndImportsNothing() {
        MainWindowRun run;
        QVERIFY(run.start());
        QTRY_COMPARE(run.imports, 1);
        run.welcomeText.clear();
        QVERIFY(run.restart());
        QVERIFY(run.welcomeText.isEmpty());
        QTest::qWait(50);
        QCOMPARE(run.imports, 1);  // the second start posts no import
    }

    // The real program: Cancel is what a signal during the question amounts
    // to (offscreen, nobody can press the button); it exits with 2 and leaves
    // no database behind.
    void realProgramEndedDuringWelcomeExitsWithTwo() {
        TempDataHome home;
        const ChildRun r = RunKiv(QString::fromStdString(home.home()),
                                  [](qint64 pid) { ::kill(pid_t(pid), SIGTERM); });
        QVERIFY2(!r.crashed, qPrintable(r.stderrText));
        QCOMPARE(r.exitCode, 2);
        QVERIFY(!QFile::exists(QString::fromStdString(home.path("kivDB_pdb"))));
        QVERIFY(!QFile::exists(QString::fromStdString(home.path("kiv.lock"))));
    }

    // No data folder can be made (XDG_DATA_HOME names a file): the program
    // says so and ends with 2, writing nothing.
    void noDataFolderIsReported() {
        TempDataHome home;
        const QString file = QString::fromStdString(home.home() + "/plain-file");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const ChildRun r = RunKiv(file, [](qint64 pid) {
            QThread::msleep(300);
            ::kill(pid_t(pid), SIGTERM);
        });
        QVERIFY2(!r.crashed, qPrintable(r.stderrText));
        QVERIFY(r.runningWhenSignalled);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(QFileInfo(file).size(), 0);
    }

    // The real Cancel button of the real program, where an X server can be
    // started (Xvfb) and driven (xdotool): exit code 2, nothing left behind.
    void realProgramCancelOnWelcome() {
        if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xvfb-run and xdotool");
        TempDataHome home;
        QProcess p;
        QProcessEnvironment env = ChildEnvironment(QString::fromStdString(home.home()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("KIV"), QStringLiteral(KIV_BINARY));
        p.setProcessEnvironment(env);
        // The box's Cancel is its escape button.
        const QString script = QStringLiteral(
            "\"$KIV\" & pid=$!\n"
            "box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Welcome' | head -1)\n"
            "[ -n \"$box\" ] || { kill -KILL $pid; exit 99; }\n"
            "xdotool windowfocus --sync \"$box\"; xdotool key Escape\n"
            "wait $pid\n");
        p.start(QStringLiteral("xvfb-run"),
                {QStringLiteral("-a"), QStringLiteral("bash"), QStringLiteral("-c"), script});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        QCOMPARE(Entries(QString::fromStdString(home.folder())), QStringList());
    }

    // Every normal end of the window saves at once: the close box, Escape,
    // and the close request the window manager sends for Alt+F4.
    void restartAfterEveryNormalEnd_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("close box") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("Alt+F4") << 2;
    }
    void restartAfterEveryNormalEnd() {
        QFETCH(int, how);
        MainWindowRun run;
        QVERIFY(run.start());
        MakeState(run.dlg());
        const Snapshot before = Take(run.dlg());
        QCOMPARE(before.entry, QStringLiteral("42_"));  // with the typing cursor
        QCOMPARE(before.displayMode, 2);
        const ino_t inode = InodeOf(run.dbPath());
        if (how == 0) {
            run.dlg().close();
        } else if (how == 1) {
            PressKey(run.dlg(), Qt::Key_Escape);
        } else {
            QCloseEvent close;
            QApplication::sendEvent(&run.dlg(), &close);
        }
        QVERIFY(run.dlg().isShutDown());
        // A close event sent by hand is not QWidget::close(): nothing hides.
        if (how != 2) QVERIFY(!run.dlg().isVisible());
        QVERIFY(!run.dlg().saveFailed());
        QVERIFY(InodeOf(run.dbPath()) != inode);  // written back at once
        QVERIFY(run.restart());
        ExpectSame(before, Take(run.dlg()));
        KIV_VERIFY_OWNERSHIP();
    }

    // The real program ended by a signal writes its database through the
    // same shut-down: the file is replaced (new inode) and still holds what
    // the last window saved.
    void realProgramSavesOnSignals_data() {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void realProgramSavesOnSignals() {
        QFETCH(int, sig);
        MainWindowRun run;
        QVERIFY(run.start());
        MakeState(run.dlg());
        const Snapshot before = Take(run.dlg());
        run.end();
        const std::vector<uint8_t> saved = ReadBytes(run.dbPath());
        const ino_t inode = InodeOf(run.dbPath());
        QVERIFY(!saved.empty());

        const ChildRun r = RunKiv(QString::fromStdString(run.home().home()),
                                  [sig](qint64 pid) { ::kill(pid_t(pid), sig); });
        QVERIFY2(!r.crashed, qPrintable(r.stderrText));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(InodeOf(run.dbPath()) != inode);
        QVERIFY(!QFile::exists(QString::fromStdString(run.home().path("kiv.lock"))));

        QVERIFY(run.restart());
        ExpectSame(before, Take(run.dlg()));
    }

    // While one program holds the data folder, a second start ends with 2
    // and leaves the first one's database file alone; the first one's
    // changes are what ends up saved.
    void secondInstanceDoesNotClobber() {
        MainWindowRun run;
        QVERIFY(run.start());
        EnterNumber(run.dlg(), QStringLiteral("7"));
        run.end();
        QVERIFY(run.restart());
        const ino_t inode = InodeOf(run.dbPath());
        const std::vector<uint8_t> onDisk = ReadBytes(run.dbPath());
        EnterNumber(run.dlg(), QStringLiteral("8"));  // only in the first one's memory so far
        const Snapshot first = Take(run.dlg());

        const ChildRun r = RunKiv(QString::fromStdString(run.home().home()), [](qint64 pid) {
            QThread::msleep(300);  // let it show its notice, then end it
            ::kill(pid_t(pid), SIGTERM);
        });
        QVERIFY2(!r.crashed, qPrintable(r.stderrText));
        QVERIFY(r.runningWhenSignalled);  // it waited with its notice
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(InodeOf(run.dbPath()), inode);
        QCOMPARE(ReadBytes(run.dbPath()), onDisk);
        QVERIFY(QFile::exists(QString::fromStdString(run.home().path("kiv.lock"))));

        QVERIFY(run.restart());
        ExpectSame(first, Take(run.dlg()));
    }

    // A signal or the session ending while a dialog is open: the dialog is
    // cancelled, the handler that opened it finishes with the state record
    // still in place, and only then does the shut-down run and save.
    void closeRequestWaitsForOpenDialog() {
        MainWindowRun run;
        QVERIFY(run.start());
        CMainDlg& dlg = run.dlg();
        int dialogResult = -1;
        Answer question = Answer::Ok;
        bool locatedAfter = false;
        dlg.hooks.preferences = [&] {
            QDialog d(&dlg);
            QTimer::singleShot(30, &dlg, [&] { dlg.requestClose(); });
            dialogResult = d.exec();
            question = GetWindow().messageBox("Kiv", "Go on?", MB_YESNO | MB_ICONQUESTION);
            locatedAfter = StateLocated();
            if (locatedAfter) State::setDisplayMode(3);
        };
        dlg.command(ID_OPTIONS_PREFS);
        QCOMPARE(dialogResult, int(QDialog::Rejected));
        QCOMPARE(int(question), int(Answer::Closed));  // never a Yes
        QVERIFY(locatedAfter);
        QTRY_VERIFY(dlg.isShutDown());
        QVERIFY(!dlg.isVisible());
        QVERIFY(run.restart());
        QCOMPARE(State::displayMode(), 3);
    }

    // A database that cannot be written at the end is reported, not
    // passed over in silence.
    void failedSaveIsReported() {
        MainWindowRun run;
        QVERIFY(run.start());
        TypeKeys(run.dlg(), QStringLiteral("5"));
        QVERIFY(QDir(QString::fromStdString(run.home().folder())).removeRecursively());
        auto box = AnswerNextMessageBox(QMessageBox::Ok, 5000);
        run.dlg().close();
        QVERIFY(run.dlg().isShutDown());
        QVERIFY(run.dlg().saveFailed());
        QVERIFY(box->answered());
        QVERIFY(box->text().contains(QStringLiteral("could not write")));
        QVERIFY(box->text().contains(QString::fromStdString(run.home().folder())));
    }

    void localeSeparators() {
        MainWindowRun run;
        run.build();
        using P = std::pair<char, char>;
        QCOMPARE(CMainDlg::LocaleSeparators(QLocale::c()), P('.', ','));
        QCOMPARE(CMainDlg::LocaleSeparators(QLocale(QLocale::German, QLocale::Germany)),
                 P(',', '.'));
        // The narrow no-break space groups as the code page's no-break space
        // (0xA0); the decimal comma stays.
        const QLocale french(QLocale::French, QLocale::France);
        QCOMPARE(CMainDlg::LocaleSeparators(french).first, ',');
        QCOMPARE(french.groupSeparator(), QStringLiteral("\u202f"));
        QCOMPARE(CMainDlg::LocaleSeparators(french).second, char(0xA0));
        // A right single quote is one character of the code page (0x92).
        const QLocale swiss(QLocale::German, QLocale::Switzerland);
        QCOMPARE(swiss.groupSeparator(), QStringLiteral("\u2019"));
        QCOMPARE(CMainDlg::LocaleSeparators(swiss), P('.', char(0x92)));
        // The Arabic decimal separator has no byte in the code page.
        const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
        QCOMPARE(arabic.decimalPoint(), QStringLiteral("\u066b"));
        QCOMPARE(CMainDlg::LocaleSeparators(arabic), P('.', ','));
    }

    void refreshRequestIgnoredBeforeStart() {
        MainWindowRun run;
        run.build();
        // Built, not started: the refresh request must not touch anything.
        SendAppEvent(4000);
        QCOMPARE(EntryText(run.dlg()), QString());
        QVERIFY(run.start());
        TypeKeys(run.dlg(), QStringLiteral("5"));
        SendAppEvent(4000);
        QCOMPARE(EntryText(run.dlg()), QStringLiteral("5_"));
    }
};

QTEST_MAIN(StartupTest)
#include "mainwindow_startup_test.moc"
