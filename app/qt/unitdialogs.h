// SPDX-License-Identifier: GPL-3.0-or-later
// The unit dialogs: Define unit (template 503), Units (504 with menu 505 and
// the keys of accelerator table 505), Edit Categories (511) and its name
// dialog (512). Each only shows what its core logic computes and passes the
// user's input back (app/core/definedlg.h, unitsdlg.h, categoriesdlg.h).
#pragma once

#include <QElapsedTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/templatedialog.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;

namespace kiv {

class CDefineUnitLogic;
class CEditCategoriesLogic;
class CUnitsDlgLogic;

// Dialog 512: one name, at most the 15 characters a category slot holds.
class CCategoryNameDlg : public TemplateDlg {
    Q_OBJECT
  public:
    CCategoryNameDlg(QWidget* parent, const std::string& name);
    std::string name() const;  // calculator text
    QLineEdit* edit() const { return edit_; }

  private:
    QLineEdit* edit_;
};

// Dialog 511. Every change is made at once; OK and Escape only close.
class CEditCategoriesDlg : public TemplateDlg {
    Q_OBJECT
  public:
    explicit CEditCategoriesDlg(QWidget* parent);
    ~CEditCategoriesDlg() override;
    QListWidget* list() const { return list_; }

  private:
    void fillList();
    int selectedCategory() const;

    QListWidget* list_;
    std::unique_ptr<CEditCategoriesLogic> logic_;
};

// Dialog 503: a new unit from X, or the rename of editingIndex.
class CDefineUnitDlg : public TemplateDlg {
    Q_OBJECT
  public:
    explicit CDefineUnitDlg(QWidget* parent);
    ~CDefineUnitDlg() override;
    QLineEdit* nameEdit() const { return name_; }
    QLabel* definition() const { return definition_; }
    QComboBox* categories() const { return categories_; }

    void accept() override;
    void reject() override;

  private:
    void fillCategories();
    void onCategoryActivated(int row);

    QLineEdit* name_;
    QLineEdit* longName_;
    QLabel* definition_;
    QComboBox* categories_;
    std::unique_ptr<CDefineUnitLogic> logic_;
};

// Dialog 504.
class CUnitsDlg : public TemplateDlg {
    Q_OBJECT
  public:
    explicit CUnitsDlg(QWidget* parent);
    ~CUnitsDlg() override;
    QListWidget* list() const { return list_; }
    QComboBox* categories() const { return categories_; }
    QMenuBar* menuBarWidget() const { return menuBar_; }

    void reject() override;
    // The refresh request: both lists again.
    void refresh();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int definitionWidth() const;
    void showLines();
    void showCategories();
    void showAll();
    void use();

    QMenuBar* menuBar_;
    std::vector<QAction*> commands_;  // Delete, Rename, Redefine
    QComboBox* categories_;
    QListWidget* list_;
    QLineEdit* search_;
    QLabel* status_;             // what the search found or missed
    QElapsedTimer typingClock_;  // the type-ahead's clock
    std::unique_ptr<CUnitsDlgLogic> logic_;
};

// Runs Define unit for a new unit (floating mode only); the main window is
// refreshed when it ends.
void RunDefineUnitDialog(QWidget* parent);

}  // namespace kiv
