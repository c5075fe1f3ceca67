// The Define unit, Units and Edit Categories dialogs opened from the main
// window as a user opens them (menu, Ctrl+D, a typed letter, the "list"
// button), operated through their widgets, with the results read back from
// the main window's entry line and stack list.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/core/unitsdlg.h"
#include "app/qt/dlg_units.h"
#include "app/qt/maindlg.h"
#include "engine/stack.h"
#include "guitest_support.h"
#include "keypad/dispatch.h"
#include "res/resource.h"
#include "storage/maindb.h"
#include "support/ownership.h"
#include "units/unitrec.h"

namespace kiv {
namespace {

using gui::Shot;

using gui::MainWindowRun;

// The shared modal watch, with the flag first as these tests call it.
template <class T>
void WhenOpen(bool* opened, std::function<void(T*)> act) {
    gui::WhenModal<T>(std::move(act), opened);
}

// Answers the next message box with `button` and keeps its text.
void AnswerBox(bool* opened, QString* text, QMessageBox::StandardButton button) {
    WhenOpen<QMessageBox>(opened, [=](QMessageBox* box) {
        *text = box->text();
        if (QAbstractButton* b = box->button(button)) b->click();
    });
}

QPushButton* Button(QWidget* w) {
    return qobject_cast<QPushButton*>(w);
}

QStringList Items(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

QStringList Lines(QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

// The selected row (not the current one), -1 for none.
int Selected(QListWidget* l) {
    const QList<QListWidgetItem*> chosen = l->selectedItems();
    return chosen.isEmpty() ? -1 : l->row(chosen.first());
}

QAction* EditAction(CUnitsDlg* d, int id) {
    for (QAction* a : d->menuBarWidget()->actions())
        if (a->menu())
            for (QAction* item : a->menu()->actions())
                if (item->data().toInt() == id) return item;
    return nullptr;
}

}  // namespace

class UnitDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void defineFromTheKeyboardAndTheMenu();
    void cancelGivesXBackToTheMainWindow();
    void aTypedLetterOpensUnitsWithThatUnitSelected();
    void renameAndDeleteFromTheListButton();
    void redefineRefusedPutsTheValueBack();
    void categoriesFromTheUnitsDialog();

  private:
    CMainDlg& main() { return run_->dlg(); }
    QString entry() { return gui::EntryText(main()); }
    // Ctrl+D, then `act` on the Define unit dialog.
    bool defineWithKeys(std::function<void(CDefineUnitDlg*)> act);
    // Types a name into the open Define unit dialog and presses OK.
    static void NameAndOk(CDefineUnitDlg* d, const char* name);
    // Defines a unit from the keyboard: the number, then Ctrl+D, the name,
    // OK, and "none" to leave the button assignment.
    void defineUnit(const char* number, const char* name);
    // Types `keys` into the main window (a letter opens the Units dialog).
    void type(const char* keys) { gui::TypeKeys(main(), QString::fromLatin1(keys)); }
    // Types a letter and answers the Units dialog with `act`.
    bool unitsByLetter(char letter, std::function<void(CUnitsDlg*)> act);
    bool unitsByButton(std::function<void(CUnitsDlg*)> act);

    std::unique_ptr<MainWindowRun> run_;
};

void UnitDialogsTest::init() {
    categoryFilter = kCategoryAll;
    run_ = std::make_unique<MainWindowRun>();
    QVERIFY(run_->start());
}

void UnitDialogsTest::cleanup() {
    const std::string report = OwnershipReport();
    QVERIFY2(report.empty(), report.c_str());
    run_.reset();
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!w->isVisible() || qobject_cast<CMainDlg*>(w));
}

bool UnitDialogsTest::defineWithKeys(std::function<void(CDefineUnitDlg*)> act) {
    bool opened = false;
    WhenOpen<CDefineUnitDlg>(&opened, std::move(act));
    gui::PressKey(main(), Qt::Key_D, Qt::ControlModifier);
    return opened;
}

void UnitDialogsTest::NameAndOk(CDefineUnitDlg* d, const char* name) {
    d->nameEdit()->clear();
    QTest::keyClicks(d->nameEdit(), QString::fromLatin1(name));
    QTest::mouseClick(Button(d->control(1)), Qt::LeftButton);
}

void UnitDialogsTest::defineUnit(const char* number, const char* name) {
    type(number);
    QVERIFY(defineWithKeys([name](CDefineUnitDlg* d) { NameAndOk(d, name); }));
    QCOMPARE(entry(), QStringLiteral("Key for %1?").arg(QLatin1String(name)));
    gui::ClickButton(main(), 2035);  // "none": no button gets it
    QVERIFY(!assignMode);
}

bool UnitDialogsTest::unitsByLetter(char letter, std::function<void(CUnitsDlg*)> act) {
    bool opened = false;
    WhenOpen<CUnitsDlg>(&opened, std::move(act));
    type(QByteArray(1, letter).constData());
    return opened;
}

bool UnitDialogsTest::unitsByButton(std::function<void(CUnitsDlg*)> act) {
    bool opened = false;
    WhenOpen<CUnitsDlg>(&opened, std::move(act));
    QPushButton* list = Button(main().control(2017));
    if (!list || list->text() != QLatin1String("list")) return false;
    QTest::mouseClick(list, Qt::LeftButton);
    return opened;
}

void UnitDialogsTest::defineFromTheKeyboardAndTheMenu() {
    // An empty stack: Ctrl+D makes a base unit, then waits for a button.
    QVERIFY(defineWithKeys([](CDefineUnitDlg* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Define unit"));
        QCOMPARE(d->definition()->text(), QStringLiteral("(Base unit)"));
        QCOMPARE(Items(d->categories()),
                 (QStringList{QStringLiteral("Unfiled"), QStringLiteral("Edit Categories...")}));
        QCOMPARE(d->categories()->currentIndex(), 0);
        QVERIFY(d->nameEdit()->hasFocus() || !d->isActiveWindow());
        // OK without a name is refused and the dialog stays.
        bool boxOpened = false;
        QString text;
        AnswerBox(&boxOpened, &text, QMessageBox::Ok);
        QTest::mouseClick(Button(d->control(1)), Qt::LeftButton);
        QVERIFY(boxOpened);
        QCOMPARE(text, QStringLiteral("A unit name must have between 1 and 10 letters."));
        QVERIFY(d->isVisible());
        Shot(d, "define_unit_base");
        NameAndOk(d, "m");
    }));
    QCOMPARE(entry(), QStringLiteral("Key for m?"));
    gui::ClickButton(main(), 2035);

    // 1000 m through the Units dialog, then the menu item.
    type("1000");
    QVERIFY(unitsByLetter('m', [](CUnitsDlg* d) {
        QCOMPARE(Selected(d->list()), 0);
        QTest::mouseClick(Button(d->control(1)), Qt::LeftButton);  // Use
    }));
    QCOMPARE(entry(), QStringLiteral("1000 m_"));
    bool opened = false;
    WhenOpen<CDefineUnitDlg>(&opened, [](CDefineUnitDlg* d) {
        QCOMPARE(d->definition()->text(), QStringLiteral("1,000 m"));
        Shot(d, "define_unit");
        NameAndOk(d, "km2x");
    });
    main().menuAction(ID_UNIT_DEFINE)->trigger();
    QVERIFY(opened);
    QCOMPARE(entry(), QStringLiteral("Key for km2x?"));
    gui::ClickButton(main(), 2035);
    QCOMPARE(entry(), QString());  // 1000 m became the definition
    const int index = FindUnitByName("km2x");
    QVERIFY(index > 0);
    QCOMPARE(UnitMagnitude(index), 1000.0);
}

void UnitDialogsTest::cancelGivesXBackToTheMainWindow() {
    defineUnit("", "m");
    type("5");
    QVERIFY(
        unitsByLetter('m', [](CUnitsDlg* d) { d->list()->itemDoubleClicked(d->list()->item(0)); }));
    QCOMPARE(entry(), QStringLiteral("5 m_"));
    QVERIFY(defineWithKeys([this](CDefineUnitDlg* d) {
        QCOMPARE(d->definition()->text(), QStringLiteral("5 m"));
        QCOMPARE(entry(), QStringLiteral("5 m_"));  // not redrawn while open
        QTest::keyClick(d->nameEdit(), Qt::Key_Escape);
    }));
    QCOMPARE(entry(), QStringLiteral("5 m"));  // X, no longer an open line
    QCOMPARE(Depth(), 1);
}

void UnitDialogsTest::aTypedLetterOpensUnitsWithThatUnitSelected() {
    defineUnit("", "m");
    defineUnit("", "kg");
    defineUnit("", "Mole");
    QVERIFY(unitsByLetter('M', [](CUnitsDlg* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Units"));
        QCOMPARE(Lines(d->list()),
                 (QStringList{QStringLiteral("kg\t(Base unit)"), QStringLiteral("m\t(Base unit)"),
                              QStringLiteral("Mole\t(Base unit)")}));
        QCOMPARE(Selected(d->list()), 1);
        QCOMPARE(Items(d->categories()),
                 (QStringList{QStringLiteral("All"), QStringLiteral("Unfiled"),
                              QStringLiteral("Edit Categories...")}));
        // Letter keys on the list select too; after a pause each starts a
        // search of its own (quicker ones extend the search).
        QTest::qWait(int(CUnitsDlgLogic::kTypeAheadMs) + 100);
        QTest::keyClick(d->list(), Qt::Key_K);
        QCOMPARE(Selected(d->list()), 0);
        QTest::qWait(int(CUnitsDlgLogic::kTypeAheadMs) + 100);
        QTest::keyClicks(d->list(), QStringLiteral("M"));
        QCOMPARE(Selected(d->list()), 1);
        d->list()->setCurrentRow(2);
        Shot(d, "units");
        QMenu* edit = d->menuBarWidget()->actions().first()->menu();
        QCOMPARE(d->menuBarWidget()->actions().first()->text(), QStringLiteral("Edit"));
        QStringList items;
        for (QAction* a : edit->actions()) items << a->text();
        QCOMPARE(items,
                 (QStringList{QStringLiteral("Delete\tCtrl+X"), QStringLiteral("Rename\tCtrl+N"),
                              QStringLiteral("Redefine\tCtrl+F")}));
        edit->popup(d->mapToGlobal(QPoint(0, 0)));
        Shot(edit, "units_menu");
        edit->close();
        QTest::mouseClick(Button(d->control(1)), Qt::LeftButton);
    }));
    QCOMPARE(entry(), QStringLiteral("1 Mole_"));
}

void UnitDialogsTest::renameAndDeleteFromTheListButton() {
    defineUnit("", "m");
    defineUnit("0.3048", "ft");  // nothing on the stack: a base unit
    type("4");
    QVERIFY(unitsByLetter(
        'f', [](CUnitsDlg* d) { QTest::mouseClick(Button(d->control(1)), Qt::LeftButton); }));
    gui::PressKey(main(), Qt::Key_Return);
    type("7");
    QVERIFY(unitsByButton([](CUnitsDlg* d) {
        QCOMPARE(Selected(d->list()), -1);
        // Rename without a selection: 1317, nothing opens.
        bool boxOpened = false;
        QString text;
        AnswerBox(&boxOpened, &text, QMessageBox::Ok);
        EditAction(d, ID_UNITS_RENAME)->trigger();
        QVERIFY(boxOpened);
        QCOMPARE(text, QStringLiteral("Please select an item first."));

        QTest::keyClick(d->list(), Qt::Key_F);
        bool renamed = false;
        WhenOpen<CDefineUnitDlg>(&renamed, [](CDefineUnitDlg* r) {
            QCOMPARE(r->nameEdit()->text(), QStringLiteral("ft"));
            QCOMPARE(r->definition()->text(), QStringLiteral("(Base unit)"));
            Shot(r, "define_unit_rename");
            NameAndOk(r, "Foot");
        });
        QTest::keyClick(d->list(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(renamed);
        QCOMPARE(Lines(d->list()), (QStringList{QStringLiteral("Foot\t(Base unit)"),
                                                QStringLiteral("m\t(Base unit)")}));
        QCOMPARE(Selected(d->list()), -1);

        d->list()->setCurrentRow(0);
        AnswerBox(&boxOpened, &text, QMessageBox::Yes);
        EditAction(d, ID_UNITS_DELETE)->trigger();
        QVERIFY(boxOpened);
        QCOMPARE(text, QStringLiteral("Delete that unit (Foot), any other units that depend on it, "
                                      "and any references to those units on the stack?"));
        QCOMPARE(Lines(d->list()), (QStringList{QStringLiteral("m\t(Base unit)")}));
        QTest::mouseClick(Button(d->control(2)), Qt::LeftButton);  // Cancel
    }));
    // The stack lost the unit; the line 7 was committed by nothing.
    QCOMPARE(entry(), QStringLiteral("7_"));
    QVERIFY(gui::StackRows(main()).contains(QStringLiteral("1) 4")));
}

void UnitDialogsTest::redefineRefusedPutsTheValueBack() {
    defineUnit("", "m");
    type("0.3");
    QVERIFY(unitsByLetter(
        'm', [](CUnitsDlg* d) { QTest::mouseClick(Button(d->control(1)), Qt::LeftButton); }));
    defineUnit("", "yd");  // 0.3 m: yd = 0.3 m
    type("0.9144");
    QVERIFY(unitsByLetter(
        'm', [](CUnitsDlg* d) { QTest::mouseClick(Button(d->control(1)), Qt::LeftButton); }));
    QVERIFY(unitsByLetter('y', [](CUnitsDlg* d) {
        bool asked = false;
        QString text;
        AnswerBox(&asked, &text, QMessageBox::Yes);
        QTest::keyClick(d->list(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(asked);
        QCOMPARE(text, QStringLiteral("Redefine \"yd\" as \"0.9144 m\"?"));
        QCOMPARE(Lines(d->list()).last(), QStringLiteral("yd\t0.9144 m"));
        Shot(d, "units_definitions");
        QTest::mouseClick(Button(d->control(2)), Qt::LeftButton);
    }));
    QCOMPARE(entry(), QString());

    type("3");
    QVERIFY(unitsByLetter('y', [](CUnitsDlg* d) {
        bool told = false;
        QString text;
        AnswerBox(&told, &text, QMessageBox::Ok);
        EditAction(d, ID_UNITS_REDEFINE)->trigger();
        QVERIFY(told);
        QCOMPARE(text, QStringLiteral("Canot redefine yd as \"(Base unit)\".  You can change only "
                                      "the magnitude of a definition, not the units."));
        QTest::keyClick(d->list(), Qt::Key_Escape);
    }));
    QCOMPARE(entry(), QStringLiteral("3"));
    QCOMPARE(Depth(), 1);
}

void UnitDialogsTest::categoriesFromTheUnitsDialog() {
    defineUnit("", "m");
    QVERIFY(unitsByButton([](CUnitsDlg* d) {
        QComboBox* combo = d->categories();
        bool edited = false;
        WhenOpen<CEditCategoriesDlg>(&edited, [](CEditCategoriesDlg* e) {
            QCOMPARE(e->windowTitle(), QStringLiteral("Edit Categories"));
            QCOMPARE(e->list()->count(), 0);
            bool named = false;
            WhenOpen<CCategoryNameDlg>(&named, [](CCategoryNameDlg* n) {
                QCOMPARE(n->windowTitle(), QStringLiteral("Edit Categories"));
                QCOMPARE(n->edit()->text(), QString());
                QVERIFY(n->edit()->hasFocus() || !n->isActiveWindow());
                QTest::keyClicks(n->edit(), QStringLiteral("Distances in metres"));
                QCOMPARE(n->edit()->text(), QStringLiteral("Distances in me"));  // 15 at most
                Shot(n, "category_name");
                QTest::mouseClick(Button(n->control(1)), Qt::LeftButton);
            });
            QTest::mouseClick(Button(e->control(1018)), Qt::LeftButton);
            QVERIFY(named);
            QCOMPARE(Lines(e->list()), (QStringList{QStringLiteral("Distances in me")}));
            Shot(e, "edit_categories");
            QTest::mouseClick(Button(e->control(1)), Qt::LeftButton);
        });
        combo->setCurrentIndex(combo->count() - 1);
        emit combo->activated(combo->count() - 1);
        QVERIFY(edited);
        QCOMPARE(Items(combo), (QStringList{QStringLiteral("All"), QStringLiteral("Unfiled"),
                                            QStringLiteral("Distances in me"),
                                            QStringLiteral("Edit Categories...")}));
        QCOMPARE(combo->currentIndex(), 0);
        combo->setCurrentIndex(2);
        emit combo->activated(2);
        QCOMPARE(d->list()->count(), 0);
        QTest::mouseClick(Button(d->control(2)), Qt::LeftButton);
    }));
    // The filter is kept for the next opening.
    QVERIFY(unitsByButton([](CUnitsDlg* d) {
        QCOMPARE(d->categories()->currentText(), QStringLiteral("Distances in me"));
        QCOMPARE(d->list()->count(), 0);
        d->reject();
    }));
    QCOMPARE(MainDb()->categoryName(1), std::string("Distances in me"));
}

}  // namespace kiv

QTEST_MAIN(kiv::UnitDialogsTest)
#include "unitdialogs_test.moc"
