// The main window's own texts and pictures: the locale's separators in the
// stack list, the entry line and on the clipboard; coded messages shown as
// plain text; the Help failure boxes; the About box's logo.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <cmath>

#include "app/core/calctext.h"
#include "app/core/messages.h"
#include "app/qt/corelink.h"
#include "app/qt/qtwindow.h"
#include "guitest_support.h"
#include "res/resource.h"

using namespace kiv;
using namespace kiv::gui;

class ShellTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { SetSeparators('.', ','); }
    void cleanup() { SetSeparators('.', ','); }

    // Each locale's separators as the program takes them, two numbers
    // entered, the top copied, the stack cleared and the copy pasted back:
    // the same number again. The group separator is never the decimal one.
    void localeSeparatorsRoundTrip_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("separators");  // decimal, group
        QTest::addColumn<QString>("row");         // the lower number in the list
        QTest::addColumn<QString>("entry");       // the top on the entry line
        QTest::addColumn<QString>("copied");
        const QString bullet(QChar(0x2022));
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France)
                                << QStringLiteral(",\u00a0")
                                << QStringLiteral("1) 1\u00a0234\u00a0567,5")
                                << QStringLiteral("7\u00a0654\u00a0321") + bullet + "25"
                                << QStringLiteral("7\u00a0654\u00a0321,25");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QStringLiteral(",.") << QStringLiteral("1) 1.234.567,5")
                                << QStringLiteral("7.654.321") + bullet + "25"
                                << QStringLiteral("7.654.321,25");
        QTest::newRow("Swiss German")
            << QLocale(QLocale::German, QLocale::Switzerland) << QStringLiteral(".\u2019")
            << QStringLiteral("1) 1\u2019234\u2019567.5")
            << QStringLiteral("7\u2019654\u2019321") + bullet + "25"
            << QStringLiteral("7\u2019654\u2019321.25");
        QTest::newRow("Indian") << QLocale(QLocale::English, QLocale::India) << QStringLiteral(".,")
                                << QStringLiteral("1) 1,234,567.5")
                                << QStringLiteral("7,654,321") + bullet + "25"
                                << QStringLiteral("7,654,321.25");
    }
    void localeSeparatorsRoundTrip() {
        QFETCH(QLocale, locale);
        QFETCH(QString, separators);
        QFETCH(QString, row);
        QFETCH(QString, entry);
        QFETCH(QString, copied);
        MainWindowRun run;
        QVERIFY(run.start());
        const auto [decimal, group] = CMainDlg::LocaleSeparators(locale);
        QCOMPARE(FromCalcText(std::string{decimal, group}), separators);
        Core().setSeparators(decimal, group);
        Core().refreshDisplay();
        EnterNumber(run.dlg(), QStringLiteral("1234567.5"));
        EnterNumber(run.dlg(), QStringLiteral("7654321.25"));
        QVERIFY2(StackRows(run.dlg()).contains(row), qPrintable(StackRows(run.dlg()).join('|')));
        // The raw text: toPlainText() would make the no-break spaces blanks.
        QCOMPARE(run.dlg().entryLine()->document()->toRawText(), entry);
        PressKey(run.dlg(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), copied);
        ClickButton(run.dlg(), 2044);  // CLR
        PressKey(run.dlg(), Qt::Key_V, Qt::ControlModifier);
        PressKey(run.dlg(), Qt::Key_Return);
        QCOMPARE(TopReal(), 7654321.25);
        QCOMPARE(run.dlg().entryLine()->document()->toRawText(), entry);
    }

    // Names that look like markup are shown as typed, in every coded
    // message that carries a name or a definition.
    void codedMessagesArePlainText_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("text2");
        const QString file = QStringLiteral("/tmp/<b>units</b> & <i>co</i>.txt");
        QTest::newRow("1333 cannot open") << int(MSG_CANNOT_OPEN) << file << QString();
        QTest::newRow("1334 syntax") << int(MSG_SYNTAX) << file << QStringLiteral("<3>");
        QTest::newRow("1318 delete")
            << int(MSG_CONFIRM_DELETE) << QStringLiteral("<u>") << QString();
        QTest::newRow("1321 redefine")
            << int(MSG_REDEFINE) << QStringLiteral("a&b") << QStringLiteral("2 <br>");
        QTest::newRow("1329 cannot redefine")
            << int(MSG_CANNOT_REDEFINE) << QStringLiteral("x") << QStringLiteral("3 &amp; <hr>");
    }
    void codedMessagesArePlainText() {
        QFETCH(int, id);
        QFETCH(QString, text1);
        QFETCH(QString, text2);
        MainWindowRun run;
        QVERIFY(run.start());
        const std::string t1 = ToCalcText(text1), t2 = ToCalcText(text2);
        const QString want = FromCalcText(
            ComposeCodedMessage(id, t1.c_str(), text2.isNull() ? nullptr : t2.c_str()).text);
        QVERIFY(want.contains(text1));
        Qt::TextFormat format = Qt::RichText;
        QString shown;
        bool opened = false;
        WhenModal<QMessageBox>(
            [&](QMessageBox* box) {
                auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                if (label) {
                    format = label->textFormat();
                    shown = label->text();
                }
                box->reject();
            },
            &opened);
        ShowCodedMessage(id, t1.c_str(), text2.isNull() ? nullptr : t2.c_str());
        QVERIFY(opened);
        QCOMPARE(shown, want);
        QCOMPARE(format, Qt::PlainText);
    }

    // Help that cannot show the guide says which file it looked for, and
    // when the file is there, that a web browser is needed. (The offscreen
    // platform starts no browser.)
    void helpFailureNamesTheFile() {
        MainWindowRun run;
        QVERIFY(run.start());
        const QString missing = QString::fromStdString(run.home().path("no <such> guide.html"));
        run.dlg().setHelpDocument(missing);
        auto box = AnswerNextMessageBox(QMessageBox::Ok);
        run.dlg().command(ID_HELP);
        QVERIFY(box->answered());
        QCOMPARE(box->title(), QStringLiteral("Sorry"));
        QVERIFY2(box->text().startsWith(QStringLiteral("Cannot find help file")),
                 qPrintable(box->text()));
        QVERIFY2(box->text().contains(missing), qPrintable(box->text()));

        const QString there =
            QDir(QString::fromStdString(run.home().home())).filePath("the <b>guide<b> & co.html");
        QFile f(there);
        QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(f.errorString()));
        f.write("<html></html>");
        f.close();
        run.dlg().setHelpDocument(there);
        Qt::TextFormat format = Qt::RichText;
        QString text;
        bool opened = false;
        WhenModal<QMessageBox>(
            [&](QMessageBox* b) {
                format = b->textFormat();
                text = b->text();
                b->accept();
            },
            &opened);
        run.dlg().command(ID_HELP);
        QVERIFY(opened);
        QCOMPARE(format, Qt::PlainText);
        QVERIFY2(text.contains(QFileInfo(there).canonicalFilePath()), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("web browser")), qPrintable(text));
        QVERIFY2(!text.startsWith(QStringLiteral("Cannot find")), qPrintable(text));
    }

    // With black left out, the logo leaves nothing of its background on
    // the dialog: every pixel of its square is the dialog's own or one of
    // the logo's colours, no dark blend of a smoothed edge.
    void aboutLogoHasNoFringe() {
        MainWindowRun run;
        QVERIFY(run.start());
        QImage shot;
        QPoint at;
        ModalAnswerer answer([&](QWidget* w) {
            const DialogUnits du = DialogUnits::ForFont(w->font());
            at = QPoint(du.x(118), du.y(12));
            shot = w->grab().toImage();
            Shot(w, "about");
            w->close();
        });
        run.dlg().command(ID_ABOUT);
        QVERIFY(answer.answered());
        QCOMPARE(shot.devicePixelRatio(), 1.0);
        const QImage logo = AboutLogo();
        QSet<QRgb> colours;
        for (int y = 0; y < logo.height(); ++y)
            for (int x = 0; x < logo.width(); ++x)
                if (logo.pixel(x, y) != qRgb(0, 0, 0)) colours.insert(logo.pixel(x, y));
        // A smoothed edge on black is a darker shade of the colour it
        // smooths; left on the dialog, it is the fringe.
        auto shadeOf = [](QRgb p, QRgb c) {
            if (p == c || qRed(c) + qGreen(c) + qBlue(c) == 0) return false;
            const double k =
                double(qRed(p) + qGreen(p) + qBlue(p)) / (qRed(c) + qGreen(c) + qBlue(c));
            return k < 0.97 && std::abs(qRed(p) - k * qRed(c)) <= 3 &&
                   std::abs(qGreen(p) - k * qGreen(c)) <= 3 &&
                   std::abs(qBlue(p) - k * qBlue(c)) <= 3;
        };
        for (QRgb p : colours)
            for (QRgb c : colours)
                QVERIFY2(!shadeOf(p, c),
                         qPrintable(QColor(p).name() + " shades " + QColor(c).name()));
        const QRgb background = shot.pixel(at + QPoint(0, 0));
        QVERIFY(!colours.contains(background));
        int logoPixels = 0;
        for (int y = 0; y < logo.height(); ++y) {
            for (int x = 0; x < logo.width(); ++x) {
                const QRgb p = shot.pixel(at + QPoint(x, y));
                QVERIFY2(
                    p == background || colours.contains(p),
                    qPrintable(
                        QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(QColor(p).name())));
                logoPixels += p != background;
            }
        }
        QVERIFY(logoPixels > 500);  // the logo is there
    }
};

QTEST_MAIN(ShellTest)
#include "windows_shell_test.moc"
