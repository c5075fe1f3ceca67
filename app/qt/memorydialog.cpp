// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/memorydialog.h"

#include <QLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>

#include "app/core/memorydlg.h"
#include "app/qt/qtwindow.h"
#include "res/resource.h"

namespace kiv {

CMemoryDlg::CMemoryDlg(QWidget* parent) : TemplateDlg(parent, QStringLiteral("Memory")) {
    menuBar_ = new QMenuBar(this);
    layout()->setMenuBar(menuBar_);
    QMenu* clear = menuBar_->addMenu(QStringLiteral("Clear"));
    QAction* selection = clear->addAction(QStringLiteral("Selection"));
    selection->setData(int(ID_MEMORY_CLEAR_SELECTION));
    connect(selection, &QAction::triggered, this, &CMemoryDlg::clearSelection);
    QAction* all = clear->addAction(QStringLiteral("All"));
    all->setData(int(ID_MEMORY_CLEAR_ALL));
    connect(all, &QAction::triggered, this, &CMemoryDlg::clearAll);

    list_ = new QListWidget;
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setUniformItemSizes(true);
    list_->setItemDelegate(new TabStopDelegate(du_.x(12), list_));
    addControl(1011, list_, 7, 7, 139, 123);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CMemoryDlg::recall);

    auto button = [this](int id, const char* text, int x) {
        auto* b = new QPushButton(QString::fromLatin1(text));
        b->setAutoDefault(false);
        addControl(id, b, x, 136, 37, 14);
        return b;
    };
    store_ = button(4, "Store", 7);
    recall_ = button(3, "Recall", 58);
    clearSelection_ = selection;
    connect(store_, &QPushButton::clicked, this, &CMemoryDlg::store);
    connect(recall_, &QPushButton::clicked, this, &CMemoryDlg::recall);
    connect(button(2, "Cancel", 109), &QPushButton::clicked, this, &QDialog::reject);
    // A click below the lines, or Ctrl and a click on the selected line,
    // leaves no line selected while the list keeps a current row: the
    // commands follow the selection, never the current row.
    connect(list_, &QListWidget::itemSelectionChanged, this, &CMemoryDlg::followSelection);
    setTemplateSize(153, 170);

    logic_ = std::make_unique<CMemoryDlgLogic>(valueWidth());
    fillList();
    list_->setFocus(Qt::OtherFocusReason);
}

CMemoryDlg::~CMemoryDlg() = default;

int CMemoryDlg::valueWidth() const {
    // The list's client width: inside its frame, without a scroll bar (ten
    // lines fit, so none shows).
    return list_->contentsRect().width() - 3 * du_.baseX;
}

void CMemoryDlg::fillList() {
    list_->clear();
    for (const std::string& line : logic_->lines()) list_->addItem(FromCalcText(line));
    list_->setCurrentRow(CMemoryDlgLogic::RememberedSelection());
    followSelection();
}

int CMemoryDlg::selectedRow() const {
    const QList<QListWidgetItem*> chosen = list_->selectedItems();
    return chosen.isEmpty() ? -1 : list_->row(chosen.first());
}

void CMemoryDlg::followSelection() {
    const bool any = selectedRow() >= 0;
    store_->setEnabled(any);
    recall_->setEnabled(any);
    clearSelection_->setEnabled(any);
}

void CMemoryDlg::store() {
    if (logic_->store(selectedRow())) accept();
}

void CMemoryDlg::recall() {
    if (logic_->recall(selectedRow())) accept();
}

void CMemoryDlg::clearSelection() {
    logic_->clearSelection(selectedRow());
    fillList();
}

void CMemoryDlg::clearAll() {
    logic_->clearAll();
    fillList();
}

}  // namespace kiv
