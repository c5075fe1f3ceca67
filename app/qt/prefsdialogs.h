// SPDX-License-Identifier: GPL-3.0-or-later
// The Preferences (template 508) and Display preferences (template 509)
// dialogs: fields filled from the settings when they open, written back by
// the core's logic only when OK succeeds.
#pragma once

#include "app/qt/templatedialog.h"

class QCheckBox;
class QLineEdit;

namespace kiv {

class CPrefsDlg : public TemplateDlg {
    Q_OBJECT
  public:
    explicit CPrefsDlg(QWidget* parent = nullptr);
    void accept() override;

  private:
    QLineEdit* stackSize_;
    QCheckBox* warnOverflow_;
    QCheckBox* simplifyUnits_;
    QCheckBox* invTrigUnits_;
    QCheckBox* askClear_;
    QCheckBox* hpStack_;
};

class CDisplayPrefsDlg : public TemplateDlg {
    Q_OBJECT
  public:
    explicit CDisplayPrefsDlg(QWidget* parent = nullptr);
    void accept() override;

  private:
    QLineEdit* precision_;
    QLineEdit* groups_[6];  // float, hex, decimal, octal, binary, other
};

}  // namespace kiv
