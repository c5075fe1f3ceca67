#include "app/qt/alldialogs.h"

#include "app/qt/settingsdlgs.h"
#include "app/qt/unitdlgs.h"
#include "app/qt/unitlistdlgs.h"

namespace kiv {

void InstallAllDialogs(CMainDlg& dlg) {
    InstallSettingsDialogs(dlg);
    InstallUnitDialogs(dlg);
    InstallUnitListDialogs(dlg);
}

}  // namespace kiv
