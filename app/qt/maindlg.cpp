#include "app/qt/maindlg.h"

#include <QCloseEvent>

#include "storage/startup.h"

namespace kiv {

CMainDlg::CMainDlg(QWidget* parent) : QDialog(parent), QtWindow(this) {
    setFont(DialogFont());
    du_ = DialogUnits::ForFont(font());
    setWindowTitle(QStringLiteral("Kiv"));
    setFixedSize(du_.x(160), du_.y(186));
}

void CMainDlg::closeEvent(QCloseEvent* e) {
    if (!shutDown_) {
        shutDown_ = true;
        StorageShutdown();
    }
    e->accept();
    QDialog::closeEvent(e);
}

void CMainDlg::reject() { close(); }

}  // namespace kiv
