// SPDX-License-Identifier: GPL-3.0-or-later
// The Memory dialog (template 506 with menu 507 "Clear"): the ten registers
// listed with their values; Store, Recall, Clear Selection, Clear All.
#pragma once

#include <memory>

#include "app/qt/templatedialog.h"

class QAction;
class QListWidget;
class QMenuBar;
class QPushButton;

namespace kiv {

class CMemoryDlgLogic;

class CMemoryDlg : public TemplateDlg {
    Q_OBJECT
  public:
    explicit CMemoryDlg(QWidget* parent = nullptr);
    ~CMemoryDlg() override;

    QListWidget* list() const { return list_; }
    QMenuBar* menuBarWidget() const { return menuBar_; }
    // The pixel width values are formatted to.
    int valueWidth() const;

  private:
    void fillList();
    // The selected line, -1 for none (the current row may differ).
    int selectedRow() const;
    // Store, Recall and Clear Selection are enabled while a line is selected.
    void followSelection();
    void store();
    void recall();
    void clearSelection();
    void clearAll();

    QMenuBar* menuBar_;
    QListWidget* list_;
    QPushButton* store_;
    QPushButton* recall_;
    QAction* clearSelection_;
    std::unique_ptr<CMemoryDlgLogic> logic_;
};

}  // namespace kiv
