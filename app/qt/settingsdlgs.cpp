#include "app/qt/settingsdlgs.h"

#include "app/qt/maindlg.h"

namespace kiv {

void InstallSettingsDialogs(CMainDlg& dlg) {
    (void)dlg;
}

}  // namespace kiv
