// Copy, paste, the radix popup and Help of the main window: that each reaches
// the calculator and its result reaches the window (the rules themselves are
// checked headless in keypad_entry_test and keypad_dispatch_test).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QUrl>
#include <memory>

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
    // Every case runs on a freshly started main window.
    std::unique_ptr<MainWindowRun> run_;

  private slots:
    void init() {
        run_ = std::make_unique<MainWindowRun>();
        QVERIFY(run_->start());
    }
    void cleanup() { run_.reset(); }

    void copyTopOfStackAndNothing() {
        // Nothing to copy: the clipboard gets an empty text.
        QCOMPARE(Copied(run_->dlg()), QString());
        EnterNumber(run_->dlg(), QStringLiteral("0.25"));
        QCOMPARE(Copied(run_->dlg()), QStringLiteral("0.25"));
        // The menu item does the same as the key.
        QApplication::clipboard()->clear();
        run_->dlg().menuAction(ID_EDIT_COPY)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("0.25"));
    }

    void pasteContinuesTheLineAndTakesSign() {
        TypeKeys(run_->dlg(), QStringLiteral("7"));
        Paste(run_->dlg(), QStringLiteral(" 8\n9-x"));
        PressKey(run_->dlg(), Qt::Key_Return);
        QCOMPARE(TopReal(), -789.0);
        KIV_VERIFY_OWNERSHIP();
    }

    void radixPopupFromTheKeypad() {
        CMainDlg& dlg = run_->dlg();
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

    void radixFromStackOutOfRange() {
        EnterNumber(run_->dlg(), QStringLiteral("9"));
        EnterNumber(run_->dlg(), QStringLiteral("37"));
        auto box = AnswerNextMessageBox(QMessageBox::Ok);
        run_->dlg().command(ID_RADIX_STACK);
        QVERIFY(box->answered());
        QCOMPARE(box->text(), QStringLiteral("Base must be between 2 and 36."));
        QCOMPARE(State::radix(), 0);
        QCOMPARE(Depth(), 1);  // the number is gone
        QCOMPARE(EntryText(run_->dlg()), QStringLiteral("9"));
    }

    void wordSizePopupCommands() {
        run_->dlg().command(ID_RADIX_HEX);
        run_->dlg().command(ID_WORD_8);
        QCOMPARE(State::wordSize(), 8);
        EnterNumber(run_->dlg(), QStringLiteral("ff"));
        auto warning = AnswerNextMessageBox(QMessageBox::Ok, 3000);
        TypeKeys(run_->dlg(), QStringLiteral("1+"));  // wraps in 8 bits
        QVERIFY(warning->answered());
        QVERIFY(warning->text().contains(QStringLiteral("overflowed")));
        run_->dlg().command(ID_WORD_64);
        QCOMPARE(State::wordSize(), 64);
        run_->dlg().command(ID_RADIX_DEC);
        QCOMPARE(Copied(run_->dlg()), QStringLiteral("0"));
    }

    void helpOpensTheShippedDocument() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        run_->dlg().menuAction(ID_HELP)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls.size(), 1);
        const QString path = catcher.urls[0].toLocalFile();
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("kiv.html"));
        QVERIFY(QFileInfo(path).isFile());
    }

    void helpWithoutDocumentSaysSorry() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        run_->dlg().setHelpDocument(QString::fromStdString(run_->home().path("missing.html")));
        auto box = AnswerNextMessageBox(QMessageBox::Ok);
        run_->dlg().command(ID_HELP);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QVERIFY(box->answered());
        QCOMPARE(box->title(), QStringLiteral("Sorry"));
        QVERIFY(box->text().startsWith(QStringLiteral("Cannot find help file")));
        QVERIFY(box->text().contains(QString::fromStdString(run_->home().path("missing.html"))));
        QVERIFY(catcher.urls.isEmpty());
    }
};

QTEST_MAIN(ClipboardTest)
#include "mainwindow_clipboard_test.moc"
