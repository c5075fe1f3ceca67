// Copy, paste, the radix popup and Help of the main window.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QUrl>

#include "app/core/calctext.h"
#include "engine/stack.h"
#include "guitest_support.h"
#include "res/resource.h"
#include "storage/state.h"

using namespace kiv;
using namespace kiv::gui;

namespace {

void Paste(CMainDlg& dlg, const QString& text) {
    QApplication::clipboard()->setText(text);
    PressKey(dlg, Qt::Key_V, Qt::ControlModifier);
}

QString Copied(CMainDlg& dlg) {
    QApplication::clipboard()->setText(QStringLiteral("untouched"));
    PressKey(dlg, Qt::Key_C, Qt::ControlModifier);
    return QApplication::clipboard()->text();
}

// Separators as a locale would set them, restored afterwards.
struct Separators {
    Separators(char decimal, char group) { SetSeparators(decimal, group); }
    ~Separators() { SetSeparators('.', ','); }
};

}  // namespace

// Receives what Help hands to the desktop instead of a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { urls << url; }

  public:
    QList<QUrl> urls;
};

class ClipboardTest : public QObject {
    Q_OBJECT
  private slots:
    void copyWhileTyping() {
        MainWindowRun run;
        QVERIFY(run.start());
        TypeKeys(run.dlg(), QStringLiteral("12.5"));
        QCOMPARE(Copied(run.dlg()), QStringLiteral("12.5"));
        QCOMPARE(State::entryLength(), 4);  // still typing
        Separators comma(',', '.');
        QCOMPARE(Copied(run.dlg()), QStringLiteral("12,5"));
    }

    void copyTopOfStackAndNothing() {
        MainWindowRun run;
        QVERIFY(run.start());
        // Nothing to copy: the clipboard gets an empty text.
        QCOMPARE(Copied(run.dlg()), QString());
        EnterNumber(run.dlg(), QStringLiteral("0.25"));
        QCOMPARE(Copied(run.dlg()), QStringLiteral("0.25"));
        // The menu item does the same as the key.
        QApplication::clipboard()->clear();
        run.dlg().menuAction(ID_EDIT_COPY)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("0.25"));
    }

    // 1,234.5 with "." as the decimal separator types 1234.5 (the comma is
    // a group mark and ignored); with "," it types 1.2345.
    void pasteWithTheLocaleSeparator_data() {
        QTest::addColumn<char>("decimal");
        QTest::addColumn<char>("group");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("value");
        QTest::newRow("dot") << '.' << ',' << QStringLiteral("1234.5") << 1234.5;
        QTest::newRow("comma") << ',' << '.' << QStringLiteral("1,2345") << 1.2345;
    }
    void pasteWithTheLocaleSeparator() {
        QFETCH(char, decimal);
        QFETCH(char, group);
        QFETCH(QString, typed);
        QFETCH(double, value);
        MainWindowRun run;
        QVERIFY(run.start());
        Separators locale(decimal, group);
        Paste(run.dlg(), QStringLiteral("1,234.5"));
        QCOMPARE(Depth(), 0);  // typed, not entered
        QCOMPARE(Copied(run.dlg()), typed);
        PressKey(run.dlg(), Qt::Key_Return);
        QCOMPARE(TopReal(), value);
    }

    void pasteContinuesTheLineAndTakesSign() {
        MainWindowRun run;
        QVERIFY(run.start());
        TypeKeys(run.dlg(), QStringLiteral("7"));
        Paste(run.dlg(), QStringLiteral(" 8\n9-x"));
        PressKey(run.dlg(), Qt::Key_Return);
        QCOMPARE(TopReal(), -789.0);
        KIV_VERIFY_OWNERSHIP();
    }

    void pasteHexLetters() {
        MainWindowRun run;
        QVERIFY(run.start());
        Paste(run.dlg(), QStringLiteral("ff"));
        QCOMPARE(State::entryLength(), -1);  // not digits in floating mode
        QCOMPARE(EntryText(run.dlg()), QString());
        run.dlg().command(ID_RADIX_HEX);
        Paste(run.dlg(), QStringLiteral("fF"));
        QCOMPARE(State::entryLength(), 2);
        PressKey(run.dlg(), Qt::Key_Return);
        run.dlg().command(ID_RADIX_DEC);
        QCOMPARE(Copied(run.dlg()), QStringLiteral("255"));
    }

    void pasteExponent() {
        MainWindowRun run;
        QVERIFY(run.start());
        Paste(run.dlg(), QStringLiteral("1e3"));
        PressKey(run.dlg(), Qt::Key_Return);
        QCOMPARE(TopReal(), 1000.0);
        // In integer mode "e" is the digit 14.
        run.dlg().command(ID_RADIX_HEX);
        Paste(run.dlg(), QStringLiteral("1e3"));
        PressKey(run.dlg(), Qt::Key_Return);
        run.dlg().command(ID_RADIX_DEC);
        QCOMPARE(Copied(run.dlg()), QStringLiteral("483"));
    }

    void radixPopupFromTheKeypad() {
        MainWindowRun run;
        QVERIFY(run.start());
        CMainDlg& dlg = run.dlg();
        QStringList items;
        QString checked;
        dlg.popupAnswerForTests = [&](QMenu* menu) {
            items.clear();
            for (QAction* a : menu->actions()) {
                items << a->text();
                if (a->isChecked()) checked = a->text();
            }
            return int(ID_RADIX_STACK);
        };
        EnterNumber(dlg, QStringLiteral("16"));
        TypeKeys(dlg, QStringLiteral("5"));
        ClickButton(dlg, 2045);
        QCOMPARE(items, (QStringList{"Float", "16  Hex", "10  Decimal", "  8  Octal", "  2  Binary",
                                     "  x  (stack)"}));
        QCOMPARE(checked, QStringLiteral("Float"));
        // The typed 5 was entered first, so 5 is the radix taken.
        QCOMPARE(State::radix(), 5);
        QCOMPARE(Depth(), 1);
        ClickButton(dlg, 2045);
        QCOMPARE(checked, QStringLiteral("  x  (stack)"));  // no item of its own
        QCOMPARE(State::radix(), 16);
        QCOMPARE(Depth(), 0);
        KIV_VERIFY_OWNERSHIP();
    }

    void radixFromStackOutOfRange_data() {
        QTest::addColumn<QString>("number");
        QTest::newRow("37") << QStringLiteral("37");
        QTest::newRow("1") << QStringLiteral("1");
    }
    void radixFromStackOutOfRange() {
        QFETCH(QString, number);
        MainWindowRun run;
        QVERIFY(run.start());
        EnterNumber(run.dlg(), QStringLiteral("9"));
        EnterNumber(run.dlg(), number);
        auto box = AnswerNextMessageBox(QMessageBox::Ok);
        run.dlg().command(ID_RADIX_STACK);
        QVERIFY(box->answered());
        QCOMPARE(box->text(), QStringLiteral("Base must be between 2 and 36."));
        QCOMPARE(State::radix(), 0);
        QCOMPARE(Depth(), 1);  // the number is gone
        QCOMPARE(TopReal(), 9.0);
        QCOMPARE(EntryText(run.dlg()), QStringLiteral("9"));
    }

    void wordSizePopupCommands() {
        MainWindowRun run;
        QVERIFY(run.start());
        run.dlg().command(ID_RADIX_HEX);
        run.dlg().command(ID_WORD_8);
        QCOMPARE(State::wordSize(), 8);
        EnterNumber(run.dlg(), QStringLiteral("ff"));
        auto warning = AnswerNextMessageBox(QMessageBox::Ok, 3000);
        TypeKeys(run.dlg(), QStringLiteral("1+"));  // wraps in 8 bits
        QVERIFY(warning->answered());
        QVERIFY(warning->text().contains(QStringLiteral("overflowed")));
        run.dlg().command(ID_WORD_64);
        QCOMPARE(State::wordSize(), 64);
        run.dlg().command(ID_RADIX_DEC);
        QCOMPARE(Copied(run.dlg()), QStringLiteral("0"));
    }

    void helpOpensTheShippedDocument() {
        MainWindowRun run;
        QVERIFY(run.start());
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        run.dlg().menuAction(ID_HELP)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls.size(), 1);
        const QString path = catcher.urls[0].toLocalFile();
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("kiv.html"));
        QVERIFY(QFileInfo(path).isFile());
    }

    void helpWithoutDocumentSaysSorry() {
        MainWindowRun run;
        QVERIFY(run.start());
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        run.dlg().setHelpDocument(QString::fromStdString(run.home().path("missing.html")));
        auto box = AnswerNextMessageBox(QMessageBox::Ok);
        run.dlg().command(ID_HELP);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QVERIFY(box->answered());
        QCOMPARE(box->title(), QStringLiteral("Sorry"));
        QCOMPARE(box->text(), QStringLiteral("Cannot find help file"));
        QVERIFY(catcher.urls.isEmpty());
    }
};

QTEST_MAIN(ClipboardTest)
#include "mainwindow_clipboard_test.moc"
