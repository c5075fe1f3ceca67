#include "app/qt/unitdlgs.h"

#include "app/qt/maindlg.h"
#include "app/qt/unitdialogs.h"

namespace kiv {

void InstallUnitDialogs(CMainDlg& dlg) {
    CMainDlg* main = &dlg;
    dlg.hooks.defineUnit = [main] { RunDefineUnitDialog(main); };
    dlg.hooks.defineUnitFromKeypad = [main] { RunDefineUnitDialog(main); };
    dlg.hooks.unitsDialog = [main] {
        CUnitsDlg d(main);
        d.exec();
    };
}

}  // namespace kiv
