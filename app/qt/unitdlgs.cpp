#include "app/qt/unitdlgs.h"

#include "app/qt/maindlg.h"

namespace kiv {

void InstallUnitDialogs(CMainDlg& dlg) {
    (void)dlg;
}

}  // namespace kiv
