// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/unitdialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <vector>

#include "app/core/categoriesdlg.h"
#include "app/core/definedlg.h"
#include "app/core/unitsdlg.h"
#include "app/qt/qtwindow.h"
#include "res/resource.h"
#include "storage/state.h"
#include "storage/unitfields.h"

namespace kiv {
namespace {

// Control ids of the templates.
enum : int {
    IDC_UNIT_NAME = 32809,
    IDC_DEFINITION = 32810,
    IDC_DEFINE_CATEGORY = 1009,
    IDC_UNIT_LIST = 1010,
    IDC_UNITS_CATEGORY = 1023,
    IDC_CATEGORY_LIST = 1021,
    IDC_CATEGORY_NEW = 1018,
    IDC_CATEGORY_RENAME = 1019,
    IDC_CATEGORY_DELETE = 1020,
    IDC_CATEGORY_NAME = 1001,
    IDC_UNITS_SEARCH = 1024,
    IDC_UNITS_STATUS = 1025,
    IDC_LONG_NAME = 1026,
};

QPushButton* NewButton(const char* text, bool isDefault) {
    auto* b = new QPushButton(QString::fromLatin1(text));
    b->setDefault(isDefault);
    b->setAutoDefault(isDefault);
    return b;
}

// Puts a category list into a combo box with its item data and selection.
void ShowCategoryList(QComboBox* combo, const CategoryList& list) {
    const QSignalBlocker block(combo);
    combo->clear();
    for (const CategoryItem& item : list.items) combo->addItem(FromCalcText(item.text), item.data);
    combo->setCurrentIndex(list.selected);
}

// Runs the Edit Categories dialog over `parent`.
void RunEditCategories(QWidget* parent) {
    CEditCategoriesDlg d(parent);
    d.exec();
}

}  // namespace

// ------------------------------------------------------------ name (512)

CCategoryNameDlg::CCategoryNameDlg(QWidget* parent, const std::string& name)
    : TemplateDlg(parent, QStringLiteral("Edit Categories")) {
    addStatic(QStringLiteral("Enter a new category name:"), 7, 7, 120, 8);
    edit_ = new QLineEdit(FromCalcText(name));
    // A slot holds 15 characters; nothing longer can be typed.
    edit_->setMaxLength(kCategoryNameMax);
    addControl(IDC_CATEGORY_NAME, edit_, 7, 18, 120, 12);
    addOkCancel(54, 91, 36);
    setTemplateSize(134, 56);
    edit_->selectAll();
    edit_->setFocus(Qt::OtherFocusReason);
}

std::string CCategoryNameDlg::name() const {
    return ToCalcText(edit_->text());
}

// ------------------------------------------------------- Edit Categories

CEditCategoriesDlg::CEditCategoriesDlg(QWidget* parent)
    : TemplateDlg(parent, QStringLiteral("Edit Categories")) {
    list_ = new QListWidget;
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    addControl(IDC_CATEGORY_LIST, list_, 7, 7, 90, 100);
    auto* ok = NewButton("OK", true);
    addControl(1, ok, 104, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* add = NewButton("New", false);
    addControl(IDC_CATEGORY_NEW, add, 104, 29, 50, 14);
    auto* rename = NewButton("Rename", false);
    addControl(IDC_CATEGORY_RENAME, rename, 104, 47, 50, 14);
    auto* remove = NewButton("Delete", false);
    addControl(IDC_CATEGORY_DELETE, remove, 104, 65, 50, 14);
    setTemplateSize(161, 114);

    logic_ = std::make_unique<CEditCategoriesLogic>([this](std::string* name) {
        CCategoryNameDlg d(this, *name);
        if (d.exec() != QDialog::Accepted) return false;
        *name = d.name();
        return true;
    });
    connect(add, &QPushButton::clicked, this, [this] {
        logic_->onNew();
        fillList();
    });
    connect(rename, &QPushButton::clicked, this, [this] {
        logic_->onRename(selectedCategory());
        fillList();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        logic_->onDelete(selectedCategory());
        fillList();
    });
    fillList();
    list_->setFocus(Qt::OtherFocusReason);
}

CEditCategoriesDlg::~CEditCategoriesDlg() = default;

void CEditCategoriesDlg::fillList() {
    list_->clear();
    for (const CategoryItem& item : logic_->lines()) {
        auto* line = new QListWidgetItem(FromCalcText(item.text), list_);
        line->setData(Qt::UserRole, item.data);
    }
    list_->setCurrentRow(-1);
}

int CEditCategoriesDlg::selectedCategory() const {
    const QList<QListWidgetItem*> chosen = list_->selectedItems();
    return chosen.isEmpty() ? -1 : chosen.first()->data(Qt::UserRole).toInt();
}

// ------------------------------------------------------------ Define unit

CDefineUnitDlg::CDefineUnitDlg(QWidget* parent)
    : TemplateDlg(parent, QStringLiteral("Define unit")) {
    addStatic(QStringLiteral("Unit name:"), 7, 9, 44, 8);
    name_ = new QLineEdit;
    name_->setMaxLength(kUnitNameLength);
    addControl(IDC_UNIT_NAME, name_, 52, 7, 70, 12);
    addStatic(QStringLiteral("Definition:"), 7, 27, 44, 8);
    definition_ = new QLabel;
    definition_->setTextFormat(Qt::PlainText);
    addControl(IDC_DEFINITION, definition_, 52, 27, 127, 8);
    addStatic(QStringLiteral("Category:"), 7, 45, 44, 8);
    categories_ = new QComboBox;
    addControl(IDC_DEFINE_CATEGORY, categories_, 52, 43, 80, 13);
    addStatic(QStringLiteral("Long name:"), 7, 63, 44, 8);
    longName_ = new QLineEdit;
    longName_->setMaxLength(int(kMaxLongName));
    addControl(IDC_LONG_NAME, longName_, 52, 61, 127, 12);
    addOkCancel(106, 143, 82);
    setTemplateSize(186, 103);

    logic_ = std::make_unique<CDefineUnitLogic>(definition_->width(),
                                                [this] { RunEditCategories(this); });
    name_->setText(FromCalcText(logic_->initialName()));
    longName_->setText(FromCalcText(logic_->initialLongName()));
    name_->selectAll();
    definition_->setText(FromCalcText(logic_->definitionText()));
    fillCategories();
    connect(categories_, &QComboBox::activated, this, &CDefineUnitDlg::onCategoryActivated);
    name_->setFocus(Qt::OtherFocusReason);
}

CDefineUnitDlg::~CDefineUnitDlg() = default;

void CDefineUnitDlg::fillCategories() {
    ShowCategoryList(categories_, logic_->categories());
}

void CDefineUnitDlg::onCategoryActivated(int row) {
    if (logic_->categoryChosen(categories_->itemData(row).toInt())) fillCategories();
}

void CDefineUnitDlg::accept() {
    const int row = categories_->currentIndex();
    const int data = row < 0 ? -1 : categories_->itemData(row).toInt();
    // What the field shows is what is stored, also while a refusal is shown.
    const std::string field = TrimmedUnitName(ToCalcText(name_->text()));
    name_->setText(FromCalcText(field));
    const std::string longName = TrimmedLongName(ToCalcText(longName_->text()));
    longName_->setText(FromCalcText(longName));
    logic_->setLongNameField(longName);
    if (logic_->ok(field, data == kCategoryEditItem ? -1 : data))
        QDialog::accept();
    else
        name_->setFocus(Qt::OtherFocusReason);
}

void CDefineUnitDlg::reject() {
    logic_->cancel();
    QDialog::reject();
}

void RunDefineUnitDialog(QWidget* parent) {
    if (!StateLocated() || State::radix() != 0) return;
    editingIndex = 0;
    CDefineUnitDlg d(parent);
    d.exec();
}

// ------------------------------------------------------------------ Units

CUnitsDlg::CUnitsDlg(QWidget* parent) : TemplateDlg(parent, QStringLiteral("Units")) {
    menuBar_ = new QMenuBar(this);
    layout()->setMenuBar(menuBar_);
    QMenu* edit = menuBar_->addMenu(QStringLiteral("Edit"));
    auto item = [this, edit](const char* text, int id, const char* keys,
                             void (CUnitsDlgLogic::*f)()) {
        QAction* a = edit->addAction(QString::fromLatin1(text));
        a->setData(id);
        a->setShortcut(QKeySequence(QString::fromLatin1(keys)));
        commands_.push_back(a);
        connect(a, &QAction::triggered, this, [this, f] {
            ((*logic_).*f)();
            showAll();
        });
    };
    item("Delete\tCtrl+X", ID_UNITS_DELETE, "Ctrl+X", &CUnitsDlgLogic::remove);
    item("Rename\tCtrl+N", ID_UNITS_RENAME, "Ctrl+N", &CUnitsDlgLogic::rename);
    item("Redefine\tCtrl+F", ID_UNITS_REDEFINE, "Ctrl+F", &CUnitsDlgLogic::redefine);

    addStatic(QStringLiteral("Category:"), 7, 9, 34, 8);
    categories_ = new QComboBox;
    addControl(IDC_UNITS_CATEGORY, categories_, 42, 7, 100, 13);
    list_ = new QListWidget;
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setUniformItemSizes(true);
    list_->setItemDelegate(new TabStopDelegate(du_.x(48), list_));
    addControl(IDC_UNIT_LIST, list_, 7, 25, 186, 98);
    addStatic(QStringLiteral("Find:"), 7, 129, 34, 8);
    search_ = new QLineEdit;
    search_->setPlaceholderText(QStringLiteral("short or long name"));
    addControl(IDC_UNITS_SEARCH, search_, 42, 127, 151, 13);
    status_ = new QLabel;
    addControl(IDC_UNITS_STATUS, status_, 7, 147, 104, 10);
    auto* useButton = NewButton("Use", true);
    addControl(1, useButton, 115, 145, 36, 14);
    auto* cancel = NewButton("Cancel", false);
    addControl(2, cancel, 157, 145, 36, 14);
    // The controls fill the client area; the menu bar comes on top of it.
    area_->setFixedSize(du_.x(200), du_.y(166));

    UnitsDialogRunners runners;
    runners.defineUnit = [this] {
        CDefineUnitDlg d(this);
        return d.exec() == QDialog::Accepted;
    };
    runners.editCategories = [this] { RunEditCategories(this); };
    typingClock_.start();
    logic_ = std::make_unique<CUnitsDlgLogic>(definitionWidth(), runners, typingClock_.elapsed());
    showAll();

    connect(useButton, &QPushButton::clicked, this, &CUnitsDlg::use);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CUnitsDlg::use);
    // The selection, not the current row: a list that gets the focus has a
    // current row without anything being selected.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = list_->selectedItems();
        logic_->select(chosen.isEmpty() ? -1 : list_->row(chosen.first()));
    });
    connect(search_, &QLineEdit::textEdited, this, [this](const QString& text) {
        logic_->search(ToCalcText(text));
        showLines();
    });
    connect(categories_, &QComboBox::activated, this, [this](int row) {
        logic_->categoryChosen(categories_->itemData(row).toInt());
        showAll();
    });
    // Every key of the dialog's controls passes here first (eventFilter).
    qApp->installEventFilter(this);
    list_->setFocus(Qt::OtherFocusReason);
}

CUnitsDlg::~CUnitsDlg() {
    qApp->removeEventFilter(this);
}

int CUnitsDlg::definitionWidth() const {
    // The client width as it is with a scroll bar, which a long list shows.
    const int client = list_->contentsRect().width() -
                       list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
    return client - 12 * du_.baseX;
}

void CUnitsDlg::showLines() {
    const QSignalBlocker block(list_);
    list_->clear();
    for (const UnitLine& line : logic_->lines()) {
        // The whole line as a tip: a long name can leave the definition cut.
        const QString text = FromCalcText(line.text);
        list_->addItem(text);
        list_->item(list_->count() - 1)
            ->setToolTip(QString(text).replace(QLatin1Char('\t'), QLatin1String("  ")));
    }
    list_->setCurrentRow(logic_->selection());
    if (logic_->selection() < 0) list_->clearSelection();
    status_->setText(FromCalcText(logic_->status()));
}

void CUnitsDlg::showCategories() {
    ShowCategoryList(categories_, logic_->categories());
}

void CUnitsDlg::showAll() {
    showCategories();
    showLines();
}

void CUnitsDlg::refresh() {
    logic_->refresh();
    showAll();
}

void CUnitsDlg::use() {
    if (logic_->use()) QDialog::accept();
}

void CUnitsDlg::reject() {
    logic_->cancel();
    QDialog::reject();
}

bool CUnitsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return TemplateDlg::eventFilter(watched, event);
    auto* w = qobject_cast<QWidget*>(watched);
    // The accelerators belong to the whole dialog: they act before the
    // focused control (the category combo searches its items by letter)
    // sees the key. An open menu or the combo's open list is a window of its
    // own and keeps its keys, as does the menu bar while it has the focus.
    // The search field keeps its letters.
    if (!w || w->window() != this || QApplication::activePopupWidget() || menuBar_->hasFocus() ||
        w == search_)
        return TemplateDlg::eventFilter(watched, event);
    auto* k = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods =
        k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    // The menu's keys act also when the window is not the active one (a
    // shortcut needs an active window).
    if (mods == Qt::ControlModifier) {
        for (QAction* a : commands_) {
            if (a->shortcut() == QKeySequence(k->key() | Qt::ControlModifier)) {
                a->trigger();
                return true;
            }
        }
    }
    const QString text = k->text();
    if (mods == Qt::NoModifier && text.size() == 1) {
        const char16_t c = text.at(0).unicode();
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            logic_->typeLetter(char(c), typingClock_.elapsed());
            showLines();
            return true;
        }
    }
    return TemplateDlg::eventFilter(watched, event);
}

}  // namespace kiv
