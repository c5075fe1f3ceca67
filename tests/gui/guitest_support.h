// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helpers of the GUI tests and benchmarks: a main window built the way
// the program builds it, over its own temporary data folder, and scripts of a
// user's steps that go on inside the dialogs they open.
#pragma once

#include <QtTest>
#include <QtWidgets>

#include "app/qt/alldialogs.h"
#include "app/qt/corelink.h"
#include "app/qt/maindlg.h"
#include "app/qt/templatedialog.h"
#include "keypad/dispatch.h"
#include "storage/startup.h"
#include "support/test_db.h"

namespace kiv::gui {

// What a script compares: line edits (a selection in brackets), labels,
// buttons, the entry line, a file dialog's title, folder, filters and
// suffix; lists as their non-empty rows and combo boxes as their items,
// " | " between them, a selected row or the current item after ">".
inline QString Text(QWidget* w) {
    QStringList rows;
    if (auto* e = qobject_cast<QLineEdit*>(w); e && e->hasSelectedText())
        return "[" + e->selectedText() + "]";
    if (auto* t = qobject_cast<QTextEdit*>(w))
        return t->document()->toRawText();  // no-break spaces kept
    if (w && w->property("text").isValid()) return w->property("text").toString();
    if (auto* f = qobject_cast<QFileDialog*>(w))
        rows << f->windowTitle() << f->directory().dirName() << f->nameFilters()
             << f->defaultSuffix();
    if (auto* l = qobject_cast<QListWidget*>(w))
        for (QListWidgetItem* i : l->findItems("?*", Qt::MatchWildcard))
            rows << (i->isSelected() ? ">" : "") + i->text();
    if (auto* c = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < c->count(); ++i)
            rows << (i == c->currentIndex() ? ">" : "") + c->itemText(i);
    return rows.join(" | ");
}

// What a widget draws as text, all of it and the box around it: a device
// whose paint engine keeps the text runs and leaves out everything else.
class DrawnText : public QImage, public QPaintEngine {
  public:
    // The image's resolution is the screen's: fonts measure as they do there.
    explicit DrawnText(QWidget* w) : QImage(w->size(), Format_RGB32), QPaintEngine(AllFeatures) {
        w->render(this);
    }
    QString text;
    QRectF box;
    QPaintEngine* paintEngine() const override { return const_cast<DrawnText*>(this); }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& t) override {
        text += t.text();
        box |= QRectF(p.x(), p.y() - t.ascent(), t.width(), t.ascent() + t.descent());
    }
    // Left out (the defaults of the last two call each other).
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    Type type() const override { return User; }
};

// Where `w` draws its text, and what of it: "" when the text shows whole in
// the room its control gives it (half a pixel each side for rounding), else
// what it drew and where. A button's room is inside its bevel, the entry
// line's its viewport; a cut text ends in an ellipsis.
inline QString Clipped(QWidget* w) {
    const DrawnText d(w);
    if (d.text.isEmpty()) return QString();
    QStyleOptionButton o;
    o.initFrom(w);
    QRect room = w->contentsRect();
    if (qobject_cast<QPushButton*>(w))
        room = w->style()->subElementRect(QStyle::SE_PushButtonContents, &o, w);
    else if (auto* t = qobject_cast<QTextEdit*>(w))
        room = t->viewport()->geometry();
    else if (qobject_cast<QAbstractButton*>(w))
        room = w->rect();
    const QRectF r = QRectF(room).adjusted(-0.5, -0.5, 1.5, 1.5);
    if (r.left() <= d.box.left() && d.box.right() <= r.right() && !d.text.contains(QChar(0x2026)))
        return QString();
    QString got;
    QDebug(&got) << w->metaObject()->className() << w->property("kivId").toInt() << d.text << d.box
                 << "in" << room;
    return got;
}

inline QImage g_lastShot;  // the window the last "shot" step took

// One step of a script, on the topmost window: the open dialog or message
// box, else the main window. Controls and menu items go by their ids; 0 is
// the window itself.
inline void Step(CMainDlg& main, const QString& step) {
    QWidget* top = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : &main;
    QWidget* focus = top->focusWidget() ? top->focusWidget() : top;
    const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1, 1);
    const QString rest = step.section(' ', 2), text = step.section(' ', 1);
    auto* dialog = qobject_cast<TemplateDlg*>(top);
    QWidget* w = dialog ? dialog->control(arg.toInt()) : main.control(arg.toInt());
    if (arg == "0") w = top;
    auto* list = qobject_cast<QListWidget*>(w);
    QAction* item = nullptr;
    for (QAction* a : top->findChildren<QAction*>())
        if (a->data().toInt() == arg.toInt()) item = a;
    if (verb == "keys") {  // typed: "\r" is Return, "\b" Backspace, "\x1b" Escape
        QTest::keyClicks(focus, text);
    } else if (verb == "ctrl") {
        QTest::keyClick(focus, arg.at(0).toLatin1(), Qt::ControlModifier);
    } else if (verb == "click" && w) {
        QTest::mouseClick(w, Qt::LeftButton);
    } else if (verb == "focus" && w) {
        w->setFocus(Qt::OtherFocusReason);
    } else if ((verb == "dclick" || verb == "ctrlclick") && list) {
        // dclick|ctrlclick LIST ROWTEXT
        const QPoint row = list->visualItemRect(list->findItems(rest, {}).value(0)).center();
        const bool ctrl = verb == "ctrlclick";
        QTest::mouseClick(list->viewport(), Qt::LeftButton,
                          ctrl ? Qt::ControlModifier : Qt::NoModifier, row);
        if (!ctrl) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
    } else if (verb == "menu" && item) {
        item->trigger();
    } else if (verb == "item" && (item || w)) {
        // item ID ENABLED-CHECKED, a menu item's or a control's: 10, 11 or 00
        const bool on = item ? item->isEnabled() : w->isEnabled();
        const bool checked = item ? item->isChecked() : w->property("checked").toBool();
        QCOMPARE(QString::number(on) + QString::number(checked), rest);
    } else if (verb == "set" && w) {  // an edit's text, a box's check, a list row, a combo item
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(rest);
        if (auto* c = qobject_cast<QCheckBox*>(w)) c->setChecked(rest == "1");
        if (list) list->setCurrentRow(rest.toInt());
        if (auto* c = qobject_cast<QComboBox*>(w)) c->activated(rest.toInt());
    } else if (verb == "is" && (w || arg == "clip")) {  // is ID TEXT; is clip TEXT
        const QString got = arg == "clip" ? QApplication::clipboard()->text() : Text(w);
        QVERIFY2(got == rest, qPrintable(step + "   <- " + got));
    } else if (verb == "drawn" && w) {
        // drawn ID: the control's text, whole or cut at its end, inside its room (half a
        // pixel for rounding); a button's room is inside its bevel
        const DrawnText d(w);
        QStyleOptionButton o;
        o.initFrom(w);
        const QRect room = qobject_cast<QPushButton*>(w)
                               ? w->style()->subElementRect(QStyle::SE_PushButtonContents, &o, w)
                               : w->contentsRect();
        const bool cut = d.text.endsWith(QChar(0x2026)) && Text(w).startsWith(d.text.chopped(1));
        QString got;
        QDebug(&got) << d.text << d.box << "in" << room;
        QVERIFY2((d.text == Text(w) || cut) && d.box.left() >= room.left() - 0.5 &&
                     d.box.right() <= room.right() + 1.5,
                 qPrintable(step + "   <- " + got));
    } else if (verb == "tabs" && w) {
        // tabs ID ID ...: from the first control, each Tab reaches the next
        QApplication::setActiveWindow(top);
        w->setFocus(Qt::TabFocusReason);
        for (const QString& id : text.split(' ').mid(1)) {
            QTest::keyClick(top->focusWidget(), Qt::Key_Tab);
            QWidget* want = dialog ? dialog->control(id.toInt()) : main.control(id.toInt());
            QWidget* got = top->focusWidget();
            QVERIFY2(got == want, qPrintable(step + "   <- at " + id + ": " + Text(got)));
        }
    } else if (verb == "said" && w) {  // said ID NAME: what a screen reader calls the control
        const QString got = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        QVERIFY2(got == rest, qPrintable(step + "   <- " + got));
    } else if (verb == "whole") {
        // whole: every text of the window shows whole: labels, buttons, fields,
        // the entry line, and each row of a list in its list's width
        QStringList cut;
        for (QWidget* c : top->findChildren<QWidget*>()) {
            if (!c->isVisibleTo(top)) continue;
            if (qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) ||
                qobject_cast<QLineEdit*>(c) || qobject_cast<QTextEdit*>(c)) {
                if (const QString why = Clipped(c); !why.isEmpty()) cut << why;
            } else if (auto* l = qobject_cast<QListWidget*>(c)) {
                for (int i = 0; i < l->count(); ++i)
                    if (l->visualItemRect(l->item(i)).width() <
                        l->fontMetrics().horizontalAdvance(l->item(i)->text().section('\t', 0, 0)))
                        cut << "row " + l->item(i)->text();
            }
        }
        QVERIFY2(cut.isEmpty(), qPrintable(step + " at " + QString::number(ZoomPercent()) +
                                           " %:\n" + cut.join('\n')));
    } else if (verb == "shot") {  // the window as <name>.png in $KIV_SHOT_DIR, for the docs
        const QString dir = qEnvironmentVariable("KIV_SHOT_DIR");
        g_lastShot = top->grab().toImage();
        if (!dir.isEmpty()) g_lastShot.save(dir + "/" + arg + ".png");
    } else if (auto* fd = qobject_cast<QFileDialog*>(top); verb == "file" && fd) {
        // file NAME; a bare "file" is Cancel
        if (text.isEmpty()) return fd->reject();
        fd->findChild<QLineEdit*>("fileNameEdit")->setText(text);
        static_cast<QDialog*>(fd)->accept();  // with the file dialog's own checks
    } else if (auto* box = qobject_cast<QMessageBox*>(top); verb == "box" && box) {
        // The names a message carries are never markup: every box is plain text.
        // A screen reader reads the box with its text.
        const bool plain = box->textFormat() == Qt::PlainText;
        const QString said =
            QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description);
        QVERIFY2(plain && box->text().startsWith(rest) && said == box->text(),
                 qPrintable(step + "   <- " + (plain ? "" : "rich text ") + box->text() +
                            "  said: " + said));
        for (QAbstractButton* b : box->buttons())  // box ok|cancel|yes|no TEXT
            if (b->text().remove('&').toLower() == arg) b->click();
    } else {
        QFAIL(qPrintable("cannot run " + step));
    }
}

// Runs `script`, steps separated by "; ", with `open` (when given) run
// first. A step, or `open`, that opens a dialog blocks; the steps after it
// run inside that dialog, a message box or file dialog step once its window
// is there (two seconds at most). Stops at the first failure, then closes
// what is still open; returns when every dialog is closed.
inline void Run(CMainDlg& main, const QString& script, const std::function<void()>& open = {}) {
    QObject guard;  // pending steps end with it
    QStringList steps = script.split("; ");
    bool done = false;
    int waits = 0;
    std::function<void()> next = [&] {
        if (QTest::currentTestFailed()) steps.clear();
        QWidget* top = QApplication::activeModalWidget();
        done = steps.isEmpty() && !top;
        if (done) return;
        QTimer::singleShot(5, &guard, next);
        const QString verb = steps.value(0).section(' ', 0, 0);
        if ((verb == "box" && !qobject_cast<QMessageBox*>(top)) ||
            (verb == "file" && !qobject_cast<QFileDialog*>(top))) {
            if (++waits > 400) QFAIL(qPrintable(steps.value(0) + ": no such window"));
            return;
        }
        if (!steps.isEmpty()) return Step(main, steps.takeFirst());
        top->close();
        if (!QTest::currentTestFailed()) QFAIL(qPrintable(top->windowTitle() + " was left open"));
    };
    QTimer::singleShot(0, &guard, next);
    if (open) open();
    for (int i = 0; i < 2000 && !done; ++i) QTest::qWait(5);  // finer than QTRY's 50 ms steps
    QVERIFY2(done, "the script did not end");
}

// One main window over a fresh temporary XDG_DATA_HOME, set up as main.cpp
// sets it up.
class MainWindowRun {
  public:
    ~MainWindowRun() { end(); }

    // The start-up, the first start's question answered with OK; shows the
    // window. The first start's import is only counted unless `firstImport`
    // is given: the steps that answer its file dialog.
    bool start(const QString& firstImport = {}) {
        InstallCoreLink();
        resetKeypadState();
        dlg_ = std::make_unique<CMainDlg>();
        SetWindow(dlg_.get());
        InstallAllDialogs(*dlg_);
        if (firstImport.isEmpty())
            dlg_->hooks.importUnits = [this] { imports += dlg_->isVisible(); };
        bool ok = false;
        auto startUp = [&] {
            ok = AcquireDataFolderLock() && dlg_->startUp();
            if (ok) dlg_->show();
        };
        if (QFile::exists(QString::fromStdString(home_.path("kivDB_pdb"))))
            startUp();
        else
            Run(*dlg_, "box ok Welcome to Kiv!" + (firstImport.isEmpty() ? "" : "; " + firstImport),
                startUp);
        if (ok) return QTest::qWaitForWindowExposed(dlg_.get());
        dlg_->markShutDown();  // nothing to save; end() releases the folder
        return false;
    }
    // Through the window's shut-down (its destructor), which saves.
    void end() {
        dlg_.reset();
        SetWindow(nullptr);
        ReleaseDataFolderLock();
    }
    CMainDlg& dlg() { return *dlg_; }
    TempDataHome& home() { return home_; }

    int imports = 0;  // the imports counted, each when the window showed

  private:
    TempDataHome home_;
    std::unique_ptr<CMainDlg> dlg_;
};

}  // namespace kiv::gui
