// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/prefsdialogs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

#include "app/core/prefsdlg.h"
#include "app/qt/qtwindow.h"

namespace kiv {

CPrefsDlg::CPrefsDlg(QWidget* parent) : TemplateDlg(parent, QStringLiteral("Preferences")) {
    addStatic(QStringLiteral("Stack size:"), 12, 20, 40, 8);
    // The stack size is a 16-bit field: five digits.
    stackSize_ = addEdit(1001, 55, 18, 18, 13, true, 5);
    auto check = [this](int id, const char* text, int y, int cx) {
        auto* c = new QCheckBox(QString::fromLatin1(text));
        addControl(id, c, 10, y, cx, 10);
        return c;
    };
    warnOverflow_ = check(1014, "Warn about integer overflow", 34, 114);
    simplifyUnits_ = check(1015, "Simplify units in multiply/divide", 47, 110);
    invTrigUnits_ = check(1016, "Inverse trig result gets units", 60, 115);
    askClear_ = check(1026, "Ask before clearing stack", 73, 113);
    hpStack_ = check(1017, "HP stack mode", 86, 108);
    addOkCancel(18, 86, 118);
    setTemplateSize(140, 139);

    const PrefsFields f = CPrefsDlgLogic::Open();
    stackSize_->setText(QString::fromStdString(f.stackSize));
    warnOverflow_->setChecked(f.warnOverflow);
    simplifyUnits_->setChecked(f.simplifyUnits);
    invTrigUnits_->setChecked(f.invTrigUnits);
    askClear_->setChecked(f.askClear);
    hpStack_->setChecked(f.hpStack);
    stackSize_->setFocus(Qt::OtherFocusReason);
    stackSize_->selectAll();
}

void CPrefsDlg::accept() {
    PrefsFields f;
    f.stackSize = ToCalcText(stackSize_->text());
    f.warnOverflow = warnOverflow_->isChecked();
    f.simplifyUnits = simplifyUnits_->isChecked();
    f.invTrigUnits = invTrigUnits_->isChecked();
    f.askClear = askClear_->isChecked();
    f.hpStack = hpStack_->isChecked();
    if (const int refused = CPrefsDlgLogic::Ok(f)) {
        focusField(refused);
        return;
    }
    TemplateDlg::accept();
}

CDisplayPrefsDlg::CDisplayPrefsDlg(QWidget* parent)
    : TemplateDlg(parent, QStringLiteral("Display preferences")) {
    addStatic(QStringLiteral("Precision:"), 7, 12, 36, 8);
    // The precision and the group sizes are bytes: three characters ("-1").
    precision_ = addEdit(1001, 48, 10, 18, 13, true, 3);
    auto* box = new QGroupBox(QStringLiteral("Digits between separators"), area_);
    box->setGeometry(du_.rect(7, 31, 149, 53));
    box->lower();  // behind the statics and edits placed over it
    struct Group {
        const char* label;
        int x, y, editX;
    };
    // In the order of the fields: float, hex, decimal, octal, binary, other.
    const Group groups[6] = {{"Float", 11, 45, 34}, {"Hex", 59, 45, 77}, {"Decimal", 101, 45, 133},
                             {"Octal", 11, 59, 34}, {"Bin", 59, 59, 77}, {"Other", 101, 59, 133}};
    for (int i = 0; i < 6; ++i) {
        const Group& g = groups[i];
        addStatic(QString::fromLatin1(g.label), g.x, g.y, g.editX - g.x - 1, 8);
        groups_[i] = addEdit(1018 + i, g.editX, g.y - 2, 12, 13, false, 3);
    }
    addOkCancel(28, 100, 106);
    setTemplateSize(163, 127);

    const DisplayPrefsFields f = CDisplayPrefsDlgLogic::Open();
    precision_->setText(QString::fromStdString(f.precision));
    for (int i = 0; i < 6; ++i) groups_[i]->setText(QString::fromStdString(f.groups[size_t(i)]));
    precision_->setFocus(Qt::OtherFocusReason);
    precision_->selectAll();
}

void CDisplayPrefsDlg::accept() {
    DisplayPrefsFields f;
    f.precision = ToCalcText(precision_->text());
    for (int i = 0; i < 6; ++i) f.groups[size_t(i)] = ToCalcText(groups_[i]->text());
    if (const int refused = CDisplayPrefsDlgLogic::Ok(f)) {
        focusField(refused);
        return;
    }
    TemplateDlg::accept();
}

}  // namespace kiv
