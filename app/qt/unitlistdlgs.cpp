#include "app/qt/unitlistdlgs.h"

#include "app/qt/maindlg.h"

namespace kiv {

void InstallUnitListDialogs(CMainDlg& dlg) {
    (void)dlg;
}

}  // namespace kiv
