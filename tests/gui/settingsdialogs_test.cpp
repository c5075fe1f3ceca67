// The Preferences, Display preferences and Memory dialogs opened from the
// main window as a user opens them, answered from timers, with the results
// read back from the main window's stack list and entry line.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/core/memorydlg.h"
#include "app/core/window.h"
#include "app/qt/alldialogs.h"
#include "app/qt/corelink.h"
#include "app/qt/dlg_memory.h"
#include "app/qt/dlg_prefs.h"
#include "app/qt/maindlg.h"
#include "engine/stack.h"
#include "guitest_support.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "res/resource.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/unitrec.h"
#include "units/unittext.h"

namespace kiv {
namespace {

using gui::Shot;
using gui::WhenModal;

// Answers the next message box with OK (or Yes) and keeps its text.
void AnswerNextBox(QString* text) {
    WhenModal<QMessageBox>([text](QMessageBox* box) {
        if (text) *text = box->text();
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        if (!ok) ok = box->button(QMessageBox::Yes);
        if (ok) ok->click();
    });
}

QPushButton* Button(QWidget* w) {
    auto* b = qobject_cast<QPushButton*>(w);
    if (!b) qFatal("not a push button");
    return b;
}

}  // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void cancelAfterChangingEveryFieldChangesNothing();
    void shrinkingTheStackDropsTheOldestEntries();
    void groupSizesAreStoredAsTheirLowByte();
    void nonIntegerFieldAsksForAnIntegerAndStaysOpen();
    void stackSizeOutsideFourTo128IsRefused();
    void storeMovesXIntoTheRegisterAndIsSelectedNextTime();
    void recallCopiesAndLeavesTheRegister();
    void clearSelectionAndClearAll();
    void keypadStatesShownInTheGuide();

  private:
    // Types keys into the main window as a user does.
    void type(const char* keys);
    // The stack as shown, bottom (oldest) first: the list's rows without
    // their level numbers, then the entry line.
    QStringList shownStack() const;
    void pushMetres(double n);
    template <class T>
    void openFromMenu(int id, std::function<void(T*)> act);
    void openPreferences(std::function<void(CPrefsDlg*)> act) {
        openFromMenu(ID_OPTIONS_PREFS, std::move(act));
    }
    void openDisplayPrefs(std::function<void(CDisplayPrefsDlg*)> act) {
        openFromMenu(ID_OPTIONS_DISPLAYPREFS, std::move(act));
    }
    void openMemory(std::function<void(CMemoryDlg*)> act);
    static QLineEdit* Edit(QDialog* d, int id);

    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<CMainDlg> main_;
    Uid metre_ = NULL_UID;
};

void SettingsDialogsTest::init() {
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    qputenv("XDG_DATA_HOME", home_->path().toLocal8Bit());
    ResetDataFolderForTests();
    InstallCoreLink();
    main_ = std::make_unique<CMainDlg>();
    SetWindow(main_.get());
    InstallAllDialogs(*main_);
    // The label keys outlive a window; this window's buttons start empty.
    resetLabelKeys();
    // First start: the welcome question, then no import to answer.
    AnswerNextBox(nullptr);
    QVERIFY(main_->startUp());
    main_->hooks.importUnits = nullptr;
    main_->show();
    metre_ = CreateUnit("m", 0, NULL_UID, 1);
    QVERIFY(metre_ != NULL_UID);
    CMemoryDlgLogic::ResetRememberedSelection();
}

void SettingsDialogsTest::cleanup() {
    main_->shutDown();
    SetWindow(nullptr);
    main_.reset();
    // Every dialog and message box a test opened has gone again.
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TemplateDlg*>(w) && !qobject_cast<QMessageBox*>(w));
    home_.reset();
}

void SettingsDialogsTest::type(const char* keys) {
    for (const char* k = keys; *k; ++k) {
        if (*k == '\n')
            QTest::keyClick(main_.get(), Qt::Key_Return);
        else
            QTest::keyClicks(main_.get(), QString(QLatin1Char(*k)));
    }
}

QStringList SettingsDialogsTest::shownStack() const {
    QStringList out;
    QListWidget* list = main_->stackList();
    for (int i = 0; i < list->count(); ++i) {
        const QString row = list->item(i)->text();
        if (row.isEmpty()) continue;
        out << row.mid(row.indexOf(QLatin1String(") ")) + 2);
    }
    const QString entry = FromCalcText(main_->shownEntryText());
    if (!entry.isEmpty()) out << entry;
    return out;
}

void SettingsDialogsTest::pushMetres(double n) {
    Push(Value::Real(n, ExpressionOf(metre_)));
    if (Core().refreshDisplay) Core().refreshDisplay();
}

template <class T>
void SettingsDialogsTest::openFromMenu(int id, std::function<void(T*)> act) {
    QPointer<QTimer> waiting = WhenModal<T>(act);
    main_->menuAction(id)->trigger();
    QVERIFY2(!waiting || !waiting->isActive(), "the dialog did not open");
    delete waiting;
}

void SettingsDialogsTest::openMemory(std::function<void(CMemoryDlg*)> act) {
    QPushButton* mem = Button(main_->control(2011));
    QCOMPARE(mem->text(), QStringLiteral("mem"));
    QPointer<QTimer> waiting = WhenModal<CMemoryDlg>(act);
    mem->click();
    QVERIFY2(!waiting || !waiting->isActive(), "the dialog did not open");
    delete waiting;
}

QLineEdit* SettingsDialogsTest::Edit(QDialog* d, int id) {
    auto* e = d->findChild<QLineEdit*>(QStringLiteral("id%1").arg(id));
    if (!e) qFatal("no edit %d", id);
    return e;
}

// ------------------------------------------------------------ preferences

void SettingsDialogsTest::cancelAfterChangingEveryFieldChangesNothing() {
    type("1\n2\n3\n4\n5\n12345.678");
    const QStringList before = shownStack();
    QCOMPARE(before.size(), 6);
    openPreferences([](CPrefsDlg* d) {
        Shot(d, "preferences");
        QCOMPARE(d->windowTitle(), QStringLiteral("Preferences"));
        QCOMPARE(Edit(d, 1001)->text(), QStringLiteral("16"));
        Edit(d, 1001)->setText(QStringLiteral("4"));
        for (int id : {1014, 1015, 1016, 1026, 1017}) {
            auto* c = d->findChild<QCheckBox*>(QStringLiteral("id%1").arg(id));
            QVERIFY(c);
            c->click();
        }
        Button(d->control(2))->click();
    });
    openDisplayPrefs([](CDisplayPrefsDlg* d) {
        Shot(d, "displayprefs");
        QCOMPARE(d->windowTitle(), QStringLiteral("Display preferences"));
        QCOMPARE(Edit(d, 1001)->text(), QStringLiteral("10"));
        const char* shown[6] = {"3", "4", "3", "3", "8", "0"};
        for (int id = 1018; id <= 1023; ++id) {
            QCOMPARE(Edit(d, id)->text(), QString::fromLatin1(shown[id - 1018]));
            Edit(d, id)->setText(QStringLiteral("1"));
        }
        Edit(d, 1001)->setText(QStringLiteral("3"));
        Button(d->control(2))->click();
    });
    QCOMPARE(State::stackSize(), 16);
    QCOMPARE(State::hpStack(), false);
    QCOMPARE(State::simplifyUnits(), true);
    QCOMPARE(State::warnOverflow(), true);
    QCOMPARE(State::invTrigUnits(), false);
    QCOMPARE(State::askClear(), false);
    QCOMPARE(State::floatPrecision(), 10);
    QCOMPARE(State::groupSize(0), 3);
    QCOMPARE(State::groupSize(2), 8);
    QCOMPARE(shownStack(), before);
}

void SettingsDialogsTest::shrinkingTheStackDropsTheOldestEntries() {
    type("1\n2\n3\n4\n5\n6\n");
    QCOMPARE(shownStack(), (QStringList{"1", "2", "3", "4", "5", "6"}));
    openPreferences([](CPrefsDlg* d) {
        Edit(d, 1001)->setText(QStringLiteral("4"));
        d->findChild<QCheckBox*>(QStringLiteral("id1017"))->setChecked(true);
        Button(d->control(1))->click();
    });
    QCOMPARE(State::stackSize(), 4);
    QVERIFY(State::hpStack());  // the HP box reaches the settings too
    QCOMPARE(shownStack(), (QStringList{"3", "4", "5", "6"}));
    // The size is kept for the next opening.
    openPreferences([](CPrefsDlg* d) {
        QCOMPARE(Edit(d, 1001)->text(), QStringLiteral("4"));
        Button(d->control(2))->click();
    });
}

void SettingsDialogsTest::groupSizesAreStoredAsTheirLowByte() {
    type("1234567\n");
    QCOMPARE(shownStack(), (QStringList{"1,234,567"}));
    openDisplayPrefs([](CDisplayPrefsDlg* d) {
        Edit(d, 1018)->setText(QStringLiteral("258"));  // float: 2
        Edit(d, 1019)->setText(QStringLiteral("300"));  // hex: 44
        Edit(d, 1023)->setText(QStringLiteral("-1"));   // other: 255
        Button(d->control(1))->click();
    });
    QCOMPARE(State::groupSize(0), 2);
    QCOMPARE(State::groupSize(16), 44);
    QCOMPARE(State::groupSize(36), 255);
    QCOMPARE(State::groupSize(10), 3);
    // The main window was refreshed with the new grouping.
    QCOMPARE(shownStack(), (QStringList{"1,23,45,67"}));
    openDisplayPrefs([](CDisplayPrefsDlg* d) {
        QCOMPARE(Edit(d, 1019)->text(), QStringLiteral("44"));
        Button(d->control(2))->click();
    });
}

void SettingsDialogsTest::nonIntegerFieldAsksForAnIntegerAndStaysOpen() {
    QString message;
    bool stayedOpen = false;
    openDisplayPrefs([&](CDisplayPrefsDlg* d) {
        Edit(d, 1001)->setText(QStringLiteral("5"));
        Edit(d, 1020)->setText(QStringLiteral("2"));
        Edit(d, 1019)->setText(QStringLiteral("4x"));
        AnswerNextBox(&message);
        Button(d->control(1))->click();
        stayedOpen = d->isVisible() && QApplication::activeModalWidget() == d;
        QCOMPARE(d->focusWidget(), Edit(d, 1019));
        QCOMPARE(Edit(d, 1019)->selectedText(), QStringLiteral("4x"));
        Button(d->control(2))->click();
    });
    QCOMPARE(message, QStringLiteral("Please enter an integer."));
    QVERIFY(stayedOpen);
    QCOMPARE(State::floatPrecision(), 10);
    QCOMPARE(State::groupSize(10), 3);
    QCOMPARE(State::groupSize(16), 4);

    // The stack size edit takes digits only, so only an empty field is left.
    message.clear();
    openPreferences([&](CPrefsDlg* d) {
        QLineEdit* size = Edit(d, 1001);
        size->clear();
        QTest::keyClicks(size, QStringLiteral("x-8"));
        QCOMPARE(size->text(), QStringLiteral("8"));
        size->clear();
        d->findChild<QCheckBox*>(QStringLiteral("id1026"))->setChecked(true);
        AnswerNextBox(&message);
        Button(d->control(1))->click();
        QVERIFY(d->isVisible());
        QCOMPARE(d->focusWidget(), size);
        Button(d->control(2))->click();
    });
    QCOMPARE(message, QStringLiteral("Please enter an integer."));
    QCOMPARE(State::askClear(), false);
}

void SettingsDialogsTest::stackSizeOutsideFourTo128IsRefused() {
    type("1\n2\n3\n4\n5\n");
    QString message;
    openPreferences([&](CPrefsDlg* d) {
        Edit(d, 1001)->setText(QStringLiteral("129"));
        d->findChild<QCheckBox*>(QStringLiteral("id1015"))->setChecked(false);
        AnswerNextBox(&message);
        Button(d->control(1))->click();
        QVERIFY(d->isVisible());
        QCOMPARE(d->focusWidget(), Edit(d, 1001));
        // Corrected, the same opening succeeds.
        Edit(d, 1001)->setText(QStringLiteral("128"));
        Button(d->control(1))->click();
    });
    QCOMPARE(message, QStringLiteral("Stack size should be between 4 and 128."));
    QCOMPARE(State::stackSize(), 128);
    QCOMPARE(State::simplifyUnits(), false);
    QCOMPARE(shownStack(), (QStringList{"1", "2", "3", "4", "5"}));
}

// ------------------------------------------------------------ memory

void SettingsDialogsTest::storeMovesXIntoTheRegisterAndIsSelectedNextTime() {
    type("2\n3+");
    pushMetres(5);
    QCOMPARE(shownStack(), (QStringList{"5", "5 m"}));
    openMemory([](CMemoryDlg* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Memory"));
        QCOMPARE(d->list()->count(), 10);
        QCOMPARE(d->list()->currentRow(), 0);
        QCOMPARE(d->list()->item(7)->text(), QStringLiteral("7\t0"));
        d->list()->setCurrentRow(3);
        Button(d->control(4))->click();
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(shownStack(), (QStringList{"5"}));
    openMemory([](CMemoryDlg* d) {
        Shot(d, "memory");
        QCOMPARE(d->list()->currentRow(), 3);
        QCOMPARE(d->list()->item(3)->text(), QStringLiteral("3\t5 m"));
        QCOMPARE(d->list()->item(0)->text(), QStringLiteral("0\t0"));
        Button(d->control(2))->click();
    });
    QCOMPARE(shownStack(), (QStringList{"5"}));
    // Store cannot be undone: the addition's arguments are forgotten.
    main_->menuAction(ID_EDIT_UNDO)->trigger();
    QCOMPARE(shownStack(), (QStringList{"5"}));
}

void SettingsDialogsTest::recallCopiesAndLeavesTheRegister() {
    pushMetres(5);
    openMemory([](CMemoryDlg* d) {
        d->list()->setCurrentRow(6);
        Button(d->control(4))->click();
    });
    QCOMPARE(shownStack(), QStringList{});
    QString message;
    for (int i = 0; i < 2; ++i) {
        openMemory([&](CMemoryDlg* d) {
            QCOMPARE(d->list()->currentRow(), 6);
            if (i == 0) {  // Store on the empty stack is refused; the dialog stays.
                AnswerNextBox(&message);
                Button(d->control(4))->click();
                QVERIFY(d->isVisible());
            }
            Button(d->control(3))->click();
        });
    }
    QCOMPARE(message, QStringLiteral("Not enough numbers on the stack."));
    QCOMPARE(shownStack(), (QStringList{"5 m", "5 m"}));
    QCOMPARE(State::memory(6).real(), 5.0);
    // A double-click on a line recalls it too.
    openMemory([](CMemoryDlg* d) {
        QListWidgetItem* line = d->list()->item(6);
        d->list()->setCurrentItem(line);
        emit d->list()->itemDoubleClicked(line);
    });
    QCOMPARE(shownStack(), (QStringList{"5 m", "5 m", "5 m"}));
}

void SettingsDialogsTest::clearSelectionAndClearAll() {
    pushMetres(1);
    pushMetres(2);
    pushMetres(3);
    for (int reg : {1, 2, 5}) {
        openMemory([reg](CMemoryDlg* d) {
            d->list()->setCurrentRow(reg);
            Button(d->control(4))->click();
        });
    }
    openMemory([](CMemoryDlg* d) {
        QCOMPARE(d->list()->item(1)->text(), QStringLiteral("1\t3 m"));
        QCOMPARE(d->list()->item(2)->text(), QStringLiteral("2\t2 m"));
        QCOMPARE(d->list()->item(5)->text(), QStringLiteral("5\t1 m"));
        QMenu* clear = d->menuBarWidget()->findChild<QMenu*>();
        QVERIFY(clear);
        QCOMPARE(clear->title(), QStringLiteral("Clear"));
        const QList<QAction*> items = clear->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->text(), QStringLiteral("Selection"));
        QCOMPARE(items[1]->text(), QStringLiteral("All"));
        d->list()->setCurrentRow(2);
        items[0]->trigger();
        QVERIFY(d->isVisible());
        QCOMPARE(d->list()->item(2)->text(), QStringLiteral("2\t0"));
        QCOMPARE(d->list()->item(1)->text(), QStringLiteral("1\t3 m"));
        QCOMPARE(d->list()->currentRow(), 2);
        items[1]->trigger();
        QVERIFY(d->isVisible());
        for (int i = 0; i < 10; ++i)
            QCOMPARE(d->list()->item(i)->text(), QStringLiteral("%1\t0").arg(i));
        Button(d->control(2))->click();
    });
    for (int i = 0; i < 10; ++i) {
        QVERIFY(State::memory(i).isReal());
        QCOMPARE(State::memory(i).real(), 0.0);
        QCOMPARE(State::memory(i).unit(), NULL_UID);
    }
    QCOMPARE(shownStack(), QStringList{});
}

// The keypad in each of its states, as the user guide pictures it; the
// pictures are saved only when KIV_SHOT_DIR is set.
void SettingsDialogsTest::keypadStatesShownInTheGuide() {
    const char* names[] = {"m", "kg", "s", "ft", "lb", "in", "mi", "h", "min", "L",
                           "N", "J",  "W", "Pa", "Hz", "g",  "A",  "V", "K",   "mol"};
    for (int i = 0; i < int(std::size(names)); ++i)
        setSlot(i, ExpressionOf(CreateUnit(names[i], 0, NULL_UID, 1)));
    const char* altBank[] = {"yd", "oz", "gal", "day", "acre"};
    for (int i = 0; i < int(std::size(altBank)); ++i)
        setSlot(25 + i, ExpressionOf(CreateUnit(altBank[i], 0, NULL_UID, 1)));
    if (Core().onUnitChosen) Core().onUnitChosen();
    type("12\n");
    pushMetres(3.5);
    type("1234.5678");
    // One label per state shows the state was reached before its picture;
    // every label is checked headless in keypad_labels_test.
    auto label = [this](int id) { return Button(main_->control(id))->text(); };
    QCOMPARE(label(2036), QStringLiteral("m"));
    Shot(main_.get(), "keypad-float");

    main_->command(2000);                         // alt
    QCOMPARE(label(2036), QStringLiteral("yd"));  // the second bank
    Shot(main_.get(), "keypad-alt");
    main_->command(2024);  // hyp on, alt released
    QCOMPARE(label(2025), QStringLiteral("sinh"));
    Shot(main_.get(), "keypad-hyp");
    main_->command(2000);
    main_->command(2024);  // with alt: hyp off again
    QCOMPARE(label(2025), QStringLiteral("sin"));

    main_->command(2035);  // the unit keypad
    QCOMPARE(label(2035), QStringLiteral("UNIT"));
    Shot(main_.get(), "keypad-unit");
    main_->command(2035);

    auto sure = gui::AnswerNextMessageBox(QMessageBox::Yes);  // 3.5 m and fractions change
    main_->command(ID_RADIX_HEX);
    QVERIFY(sure->answered());
    type("ff\n3\n");
    QCOMPARE(label(2025), QStringLiteral("A"));
    Shot(main_.get(), "keypad-integer");
}

}  // namespace kiv

QTEST_MAIN(kiv::SettingsDialogsTest)
#include "settingsdialogs_test.moc"
