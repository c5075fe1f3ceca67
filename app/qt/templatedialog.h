// SPDX-License-Identifier: GPL-3.0-or-later
// The building blocks the template dialogs share (Preferences, Display
// preferences, Memory and the unit dialogs): a fixed-size dialog whose
// controls sit at their template positions, and the list's tab stops.
#pragma once

#include <QDialog>
#include <QStyledItemDelegate>
#include <map>

#include "app/qt/dialogmetrics.h"

class QLineEdit;
class QPushButton;

namespace kiv {

// A fixed-size dialog in the dialog font whose controls are placed at their
// template positions and found again by their control id.
class TemplateDlg : public QDialog {
    Q_OBJECT
  public:
    TemplateDlg(QWidget* parent, const QString& caption);
    QWidget* control(int id) const;

  protected:
    // Sizes the dialog to width x height dialog units.
    void setTemplateSize(int width, int height);
    void addControl(int id, QWidget* w, int x, int y, int cx, int cy);
    void addStatic(const QString& text, int x, int y, int cx, int cy);
    // `chars` > 0: the edit takes at most that many characters and is made
    // wide enough to show them all.
    QLineEdit* addEdit(int id, int x, int y, int cx, int cy, bool digitsOnly, int chars = 0);
    // The OK (default) and Cancel buttons; OK runs accept(), Cancel reject().
    void addOkCancel(int okX, int cancelX, int y);
    // Shows the field the logic refused, its text selected, as data
    // exchange does after "Please enter an integer.".
    void focusField(int id);

    DialogUnits du_;
    QWidget* area_;  // the controls' parent, below any menu bar

  private:
    std::map<int, QWidget*> controls_;
};

// Draws a list line "first<tab>rest" with the rest at the list's one tab
// stop, as a list box with tab stops does; the item text keeps the tab.
class TabStopDelegate : public QStyledItemDelegate {
  public:
    TabStopDelegate(int tabStop, QObject* parent) : QStyledItemDelegate(parent), tab_(tabStop) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    int tab_;
};

}  // namespace kiv
