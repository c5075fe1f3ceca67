#include <QApplication>

#include "app/qt/maindlg.h"
#include "app/qt/qtwindow.h"
#include "storage/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kiv::QtWindow startupWindow;
    kiv::SetWindow(&startupWindow);
    if (!kiv::AcquireDataFolderLock()) return 2;
    if (!kiv::StorageStartup()) {
        kiv::ReleaseDataFolderLock();
        return 2;
    }
    kiv::CMainDlg dlg;
    kiv::SetWindow(&dlg);
    dlg.show();
    const int rc = app.exec();
    kiv::SetWindow(nullptr);
    kiv::ReleaseDataFolderLock();
    return rc == 0 ? 0 : rc;
}
