// The main window as built: template 102's controls where the template puts
// them, menu 128, the accelerator keys, the entry line's text formats, the
// fonts, and the About box.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include "app/core/calctext.h"
#include "guitest_support.h"
#include "res/resource.h"

using namespace kiv;
using namespace kiv::gui;

namespace {

struct Place {
    int id, x, y, w, h;
};

// Template 102, as the resource lays it out.
std::vector<Place> Template102() {
    std::vector<Place> t = {
        {1000, 3, 2, 92, 42},    {1006, 21, 47, 118, 19}, {300, 0, 53, 10, 8},
        {301, 149, 53, 10, 8},   {2103, 11, 50, 8, 14},   {2104, 141, 50, 8, 14},
        {2045, 97, 12, 18, 14},  {2043, 118, 2, 18, 15},  {2044, 139, 2, 18, 15},
        {2041, 118, 21, 18, 15}, {2042, 139, 21, 18, 15}, {2006, 29, 143, 23, 27},
    };
    const int xs[6] = {3, 29, 55, 81, 107, 133};
    const int grid[7][6] = {
        {2035, 2036, 2037, 2038, 2039, 2040}, {2029, 2030, 2031, 2032, 2033, 2034},
        {2023, 2024, 2025, 2026, 2027, 2028}, {2017, 2018, 2019, 2020, 2021, 2022},
        {2011, 2012, 2013, 2014, 2015, 2016}, {2005, 0, 2007, 2008, 2009, 2010},
        {2000, 0, 2001, 2002, 2003, 2004},
    };
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 6; ++c)
            if (grid[r][c]) t.push_back({grid[r][c], xs[c], 68 + 15 * r, 23, 12});
    return t;
}

struct Item {
    QString text;
    int id;  // 0 for a separator
};

QList<Item> ItemsOf(QMenu* menu) {
    QList<Item> items;
    for (QAction* a : menu->actions())
        items.append(
            {a->isSeparator() ? QString() : a->text(), a->isSeparator() ? 0 : a->data().toInt()});
    return items;
}

void CompareMenu(QMenu* menu, const QList<Item>& expected) {
    const QList<Item> got = ItemsOf(menu);
    QCOMPARE(got.size(), expected.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got[i].text, expected[i].text);
        QCOMPARE(got[i].id, expected[i].id);
    }
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
  private slots:
    void everyControlAtItsTemplatePosition() {
        MainWindowRun run;
        QVERIFY(run.start());
        CMainDlg& dlg = run.dlg();
        const DialogUnits& du = dlg.units();
        // The dialog font's base units, not a fixed pixel size.
        QVERIFY(du.baseX >= 4 && du.baseY >= 10);
        const std::vector<Place> places = Template102();
        QCOMPARE(int(places.size()), 4 + 2 + 46);
        QWidget* client = dlg.control(1000)->parentWidget();
        for (const Place& p : places) {
            QWidget* w = dlg.control(p.id);
            QVERIFY2(w, qPrintable(QString::number(p.id)));
            QCOMPARE(w->parentWidget(), client);
            const QRect want(du.x(p.x), du.y(p.y), du.x(p.w), du.y(p.h));
            QVERIFY2(w->geometry() == want, qPrintable(QStringLiteral("control %1").arg(p.id)));
            // Nothing is cut off by the client area.
            QVERIFY2(client->rect().contains(w->geometry()), qPrintable(QString::number(p.id)));
        }
        // The keypad buttons do not overlap one another.
        for (int a = 2000; a <= 2045; ++a)
            for (int b = a + 1; b <= 2045; ++b)
                QVERIFY2(!dlg.control(a)->geometry().intersects(dlg.control(b)->geometry()),
                         qPrintable(QStringLiteral("%1 and %2").arg(a).arg(b)));
        // 160 x 186 units including the menu bar; fixed size.
        QCOMPARE(client->width(), du.x(160));
        QCOMPARE(dlg.menuBarWidget()->height() + client->height(), du.y(186));
        QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Kiv"));
        QVERIFY(!(dlg.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
        // The scroll buttons start hidden, the counts empty.
        QVERIFY(!dlg.control(2103)->isVisible());
        QVERIFY(!dlg.control(2104)->isVisible());
        QCOMPARE(qobject_cast<QLabel*>(dlg.control(300))->text(), QString());
        QCOMPARE(static_cast<QPushButton*>(dlg.control(2103))->text(), QStringLiteral("<"));
        QCOMPARE(static_cast<QPushButton*>(dlg.control(2104))->text(), QStringLiteral(">"));
        QVERIFY(dlg.entryLine()->isReadOnly());
        // Every labelled button's text fits the button.
        for (int id = 2000; id <= 2045; ++id) {
            auto* b = static_cast<QPushButton*>(dlg.control(id));
            if (b->text().isEmpty()) continue;
            QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) <= b->width() - 2,
                     qPrintable(QStringLiteral("%1 \"%2\"").arg(id).arg(b->text())));
        }
        // The icon arrives once the window has painted.
        dlg.show();
        QTRY_VERIFY(!dlg.windowIcon().isNull());
        QVERIFY(dlg.windowIcon().availableSizes().contains(QSize(128, 128)));
    }

    void visibleStackLinesFitTheList() {
        MainWindowRun run;
        QVERIFY(run.start());
        CMainDlg& dlg = run.dlg();
        const int v = dlg.visibleStackLines();
        const int item = dlg.stackList()->sizeHintForRow(0);
        QVERIFY(item > 0);
        QVERIFY(v * item <= dlg.stackListBox().height());
        QVERIFY((v + 1) * item > dlg.stackListBox().height());
        // The rows the list gets are all fully visible without scrolling.
        QListWidget* list = dlg.stackList();
        QCOMPARE(list->count(), v);
        QVERIFY(list->visualItemRect(list->item(0)).top() >= 0);
        QVERIFY(list->visualItemRect(list->item(v - 1)).bottom() < list->viewport()->height());
        // The stack-list box excludes a vertical scroll bar's width.
        QVERIFY(dlg.stackListBox().width() < list->contentsRect().width());
    }

    void menuBarItemsIdsAndKeys() {
        MainWindowRun run;
        QVERIFY(run.start());
        QMenuBar* bar = run.dlg().menuBarWidget();
        const QList<QAction*> top = bar->actions();
        QCOMPARE(top.size(), 5);
        QCOMPARE(top[0]->text(), QStringLiteral("&Edit"));
        QCOMPARE(top[1]->text(), QStringLiteral("&Unit"));
        QCOMPARE(top[2]->text(), QStringLiteral("Display"));
        QCOMPARE(top[3]->text(), QStringLiteral("Options"));
        QCOMPARE(top[4]->text(), QStringLiteral("Help"));
        QVERIFY(!top[4]->menu());  // a command right on the bar
        QCOMPARE(top[4]->data().toInt(), 32823);
        CompareMenu(top[0]->menu(), {{"&Undo\tCtrl+Z", 57643},
                                     {"", 0},
                                     {"&Copy top of stack\tCtrl+C", 57634},
                                     {"&Paste\tCtrl+V", 57637}});
        CompareMenu(top[1]->menu(), {{"&Define unit...\tCtrl+D", 32799},
                                     {"Set &button...\tCtrl+B", 32800},
                                     {"&Make primitive\tCtrl+M", 32801},
                                     {"", 0},
                                     {"Import...", 32809},
                                     {"Export...", 32810}});
        CompareMenu(
            top[2]->menu(),
            {{"Standard", 32802}, {"Fixed", 32803}, {"Scientific", 32804}, {"Engineering", 32805}});
        CompareMenu(top[3]->menu(),
                    {{"Preferences...", 32806}, {"Display prefs...", 32807}, {"About Kiv", 32808}});
        // The display modes are one radio group.
        for (QAction* a : top[2]->menu()->actions()) {
            QVERIFY(a->isCheckable());
            QVERIFY(a->actionGroup() && a->actionGroup()->isExclusive());
        }
    }

    void wordSizePopup() {
        MainWindowRun run;
        QVERIFY(run.start());
        CMainDlg& dlg = run.dlg();
        QStringList items;
        QList<int> ids;
        dlg.popupAnswerForTests = [&](QMenu* menu) {
            for (QAction* a : menu->actions()) {
                items << a->text();
                ids << a->data().toInt();
            }
            return 0;
        };
        QCOMPARE(dlg.popupMenu(POPUP_WORDSIZE, ID_WORD_32, 2012), 0);
        QCOMPARE(items, (QStringList{"8", "16", "32", "64", "128"}));
        QCOMPARE(ids, (QList<int>{3120, 3121, 3122, 3123, 3124}));
    }

    void acceleratorTable_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("command");
        const int none = Qt::NoModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        QTest::newRow("0") << int(Qt::Key_0) << none << "0" << 3000;
        QTest::newRow("9") << int(Qt::Key_9) << none << "9" << 3009;
        QTest::newRow("a") << int(Qt::Key_A) << none << "a" << 3010;
        QTest::newRow("A") << int(Qt::Key_A) << shift << "A" << 3010;
        QTest::newRow("z") << int(Qt::Key_Z) << none << "z" << 3035;
        QTest::newRow(".") << int(Qt::Key_Period) << none << "." << 3050;
        QTest::newRow("Enter") << int(Qt::Key_Return) << none << "\r" << 3051;
        QTest::newRow("keypad Enter")
            << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r" << 3051;
        QTest::newRow("+") << int(Qt::Key_Plus) << shift << "+" << 3052;
        QTest::newRow("-") << int(Qt::Key_Minus) << none << "-" << 3053;
        QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << int(Qt::KeypadModifier) << "*"
                                  << 3054;
        QTest::newRow("/") << int(Qt::Key_Slash) << none << "/" << 3055;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << "\b" << 3056;
        QTest::newRow("Shift+6") << int(Qt::Key_AsciiCircum) << shift << "^" << 3057;
        QTest::newRow("Shift+7") << int(Qt::Key_Ampersand) << shift << "&" << 3058;
        QTest::newRow("Shift+1") << int(Qt::Key_Exclam) << shift << "!" << 3059;
        QTest::newRow("~") << int(Qt::Key_AsciiTilde) << shift << "~" << 3060;
        QTest::newRow("Shift+5") << int(Qt::Key_Percent) << shift << "%" << 3061;
        QTest::newRow("|") << int(Qt::Key_Bar) << shift << "|" << 3062;
        QTest::newRow("<") << int(Qt::Key_Less) << shift << "<" << 3063;
        QTest::newRow(">") << int(Qt::Key_Greater) << shift << ">" << 3064;
        QTest::newRow("Ctrl+B") << int(Qt::Key_B) << ctrl << "\x02" << 32800;
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << "\x03" << 57634;
        QTest::newRow("Ctrl+D") << int(Qt::Key_D) << ctrl << "\x04" << 32799;
        QTest::newRow("Ctrl+M") << int(Qt::Key_M) << ctrl << "\r" << 32801;
        QTest::newRow("Ctrl+P") << int(Qt::Key_P) << ctrl << "\x10" << 57637;
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << "\x16" << 57637;
        QTest::newRow("Ctrl+U") << int(Qt::Key_U) << ctrl << "\x15" << 57643;
        QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << ctrl << "\x1a" << 57643;
        QTest::newRow("Ctrl+Shift+Z") << int(Qt::Key_Z) << (ctrl | shift) << "\x1a" << 57643;
        // Not in the table.
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << "\x18" << 0;
        QTest::newRow("Alt+A") << int(Qt::Key_A) << int(Qt::AltModifier) << "a" << 0;
        QTest::newRow("Space") << int(Qt::Key_Space) << none << " " << 0;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << none << "\x1b" << 0;
        QTest::newRow("comma") << int(Qt::Key_Comma) << none << "," << 0;
        QTest::newRow("keypad comma")
            << int(Qt::Key_Comma) << int(Qt::KeypadModifier) << "," << 3050;
        QTest::newRow("keypad .") << int(Qt::Key_Period) << int(Qt::KeypadModifier) << "." << 3050;
        QTest::newRow("e acute") << int(Qt::Key_Eacute) << none << "\u00e9" << 0;
        QTest::newRow("F1") << int(Qt::Key_F1) << none << "" << 0;
    }
    void acceleratorTable() {
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(QString, text);
        QFETCH(int, command);
        QCOMPARE(CMainDlg::AcceleratorFor(key, Qt::KeyboardModifiers(mods), text), command);
    }

    // The entry line's formats: superscript digits smaller and raised, the
    // decimal mark full size and lowered, plain text on the baseline.
    void entryLineFormats() {
        MainWindowRun run;
        QVERIFY(run.start());
        CMainDlg& dlg = run.dlg();
        const QRect box = dlg.entryBox();
        const std::string text = std::string("12") + char(0xC3) + " 3" + char(0xCA) + "5";
        const int width = RenderEntryText(text.data(), int(text.size()), box.left(), box.right(),
                                          EntryFontPair());
        QVERIFY(width > 0 && width <= box.width());
        QCOMPARE(EntryText(dlg), QStringLiteral("123 3\u20225"));
        struct Frag {
            QString text;
            double points, offset;
        };
        QList<Frag> frags;
        for (QTextBlock::iterator it = dlg.entryLine()->document()->begin().begin(); !it.atEnd();
             ++it) {
            const QTextFragment f = it.fragment();
            frags.append(
                {f.text(), f.charFormat().font().pointSizeF(), f.charFormat().baselineOffset()});
        }
        QCOMPARE(frags.size(), 5);
        QCOMPARE(frags[0].text, QStringLiteral("12"));
        QCOMPARE(frags[0].offset, 0.0);
        QCOMPARE(frags[1].text, QStringLiteral("3"));
        QCOMPARE(frags[1].points, frags[0].points * 2 / 3);
        // Raised by a third of the full height: half the smaller size's.
        QCOMPARE(frags[1].offset * frags[1].points, 100.0 * frags[0].points / 3);
        QCOMPARE(frags[2].text, QStringLiteral(" 3"));
        QCOMPARE(frags[3].text, QStringLiteral("\u2022"));
        QCOMPARE(frags[3].points, frags[0].points);
        QCOMPARE(frags[3].offset, -25.0);
        QCOMPARE(frags[4].text, QStringLiteral("5"));
        QCOMPARE(frags[0].points, 14.0);
        QCOMPARE(dlg.entryLine()->textCursor().position(), 7);
        QVERIFY(!dlg.entryLine()->textCursor().hasSelection());

        // Empty text: an empty line, the caret at 0, no width.
        QCOMPARE(RenderEntryText("", 0, box.left(), box.right(), EntryFontPair()), 0);
        QCOMPARE(EntryText(dlg), QString());
        QCOMPARE(dlg.entryLine()->textCursor().position(), 0);
    }

    // What the layout walk lets through fits the line as the entry line
    // really draws it: nothing is clipped on the right.
    void longTextIsCutToTheVisibleBox() {
        MainWindowRun run;
        QVERIFY(run.start());
        CMainDlg& dlg = run.dlg();
        const QRect box = dlg.entryBox();
        const std::string text(80, '8');
        const int width = RenderEntryText(text.data(), int(text.size()), box.left(), box.right(),
                                          EntryFontPair());
        QVERIFY(width <= box.width());
        const int shown = EntryText(dlg).size();
        QVERIFY(shown > 5 && shown < 80);
        const QFontMetrics fm(dlg.entryLine()->font());
        QVERIFY(fm.horizontalAdvance(QString(shown, QLatin1Char('8'))) <= box.width());
        QVERIFY(dlg.entryLine()->document()->idealWidth() <= dlg.entryLine()->viewport()->width());
    }

    void fontPairs() {
        MainWindowRun run;
        QVERIFY(run.start());
        const FontPair& entry = EntryFontPair();
        const FontPair& list = ListFontPair();
        // The pairs' fixed fields are checked headless in calctext_test; here,
        // that they were made from the real window's fonts.
        QCOMPARE(int(list.small), int(FontId::ListSmall));
        // Arial 14 point is taller than Arial 10 point, which is taller than 8.
        Window& w = run.dlg();
        QCOMPARE(int(entry.superRaise), std::max(2, w.textHeight(FontId::EntryLarge) / 4));
        QCOMPARE(int(list.superRaise), std::max(2, w.textHeight(FontId::ListLarge) / 4));
        QVERIFY(w.textHeight(FontId::EntryLarge) > w.textHeight(FontId::EntrySmall));
        QCOMPARE(w.textHeight(FontId::EntrySmall), w.textHeight(FontId::ListLarge));
        QVERIFY(w.textHeight(FontId::ListLarge) > w.textHeight(FontId::ListSmall));
        QVERIFY(w.textWidth(FontId::EntryLarge, "88", 2) > w.textWidth(FontId::ListLarge, "88", 2));
        QCOMPARE(w.textWidth(FontId::ListLarge, "8888", 2),
                 w.textWidth(FontId::ListLarge, "88", 2));
    }

    void aboutBox() {
        MainWindowRun run;
        QVERIFY(run.start());
        QStringList labels;
        QRect okRect;
        QImage shot;
        QPoint logo;
        DialogUnits du;
        ModalAnswerer answer([&](QWidget* w) {
            for (QLabel* l : w->findChildren<QLabel*>())
                if (!l->text().isEmpty()) labels << l->text();
            auto* ok = w->findChild<QPushButton*>();
            okRect = ok->geometry();
            du = DialogUnits::ForFont(w->font());
            logo = QPoint(du.x(118), du.y(12));
            shot = w->grab().toImage();
            ok->click();
        });
        run.dlg().command(ID_ABOUT);
        QVERIFY(answer.answered());
        QCOMPARE(answer.title(), QStringLiteral("About Kiv"));
        QCOMPARE(labels, (QStringList{"Kiv", "Version 1.6.4"}));
        QCOMPARE(okRect, QRect(du.x(34), du.y(204), du.x(41), du.y(14)));
        // The logo's black background is left out: the corner pixel shows
        // the dialog, the middle shows the drawing.
        const qreal dpr = shot.devicePixelRatio();
        const QColor corner = shot.pixelColor(QPoint(logo.x() + 1, logo.y() + 1) * dpr);
        QVERIFY2(corner != QColor(Qt::black), qPrintable(corner.name()));
        const QImage art = AboutLogo();
        QCOMPARE(art.size(), QSize(66, 66));
        QCOMPARE(art.pixelColor(1, 1), QColor(Qt::black));
        const QColor middle = shot.pixelColor(QPoint(logo.x() + 33, logo.y() + 33) * dpr);
        QCOMPARE(middle, art.pixelColor(33, 33));
    }
};

QTEST_MAIN(LayoutTest)
#include "mainwindow_layout_test.moc"
