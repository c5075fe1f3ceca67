#include "app/qt/alldialogs.h"

#include "app/qt/templatedialog.h"
#include "app/qt/unitdlgs.h"
#include "app/qt/unitlistdialogs.h"

namespace kiv {

void InstallAllDialogs(CMainDlg& dlg) {
    InstallSettingsDialogs(dlg);
    InstallUnitDialogs(dlg);
    InstallUnitListDialogs(dlg);
}

}  // namespace kiv
