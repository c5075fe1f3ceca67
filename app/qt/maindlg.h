// The main dialog (template 102): stack list, entry line and keypad.
#pragma once

#include <QDialog>

#include "app/qt/dlgunits.h"
#include "app/qt/qtwindow.h"

namespace kiv {

class CMainDlg : public QDialog, public QtWindow {
    Q_OBJECT
public:
    explicit CMainDlg(QWidget* parent = nullptr);

    const DialogUnits& units() const { return du_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;  // Escape closes through the same shut-down

private:
    DialogUnits du_;
    bool shutDown_ = false;
};

}  // namespace kiv
