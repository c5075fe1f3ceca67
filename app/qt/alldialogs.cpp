// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/alldialogs.h"

#include "app/core/unitlist.h"
#include "app/qt/maindlg.h"
#include "app/qt/memorydialog.h"
#include "app/qt/prefsdialogs.h"
#include "app/qt/unitdialogs.h"
#include "app/qt/unitlistdialogs.h"

namespace kiv {

void InstallAllDialogs(CMainDlg& dlg) {
    CMainDlg* main = &dlg;
    dlg.hooks.preferences = [main] {
        CPrefsDlg d(main);
        d.exec();
    };
    dlg.hooks.displayPrefs = [main] {
        CDisplayPrefsDlg d(main);
        d.exec();
    };
    dlg.hooks.memoryDialog = [main] {
        CMemoryDlg d(main);
        d.exec();
    };

    dlg.hooks.defineUnit = [main] { RunDefineUnitDialog(main); };
    dlg.hooks.defineUnitFromKeypad = [main] { RunDefineUnitDialog(main); };
    dlg.hooks.unitsDialog = [main] {
        CUnitsDlg d(main);
        d.exec();
    };

    const FileChooser choose = [main](bool save, const std::string& title,
                                      const std::string& folder, std::string* path) {
        return ChooseUnitListFile(main, save, title, folder, path);
    };
    dlg.hooks.importUnits = [choose] { ImportUnitList(choose); };
    dlg.hooks.exportUnits = [choose] { ExportUnitList(choose); };
}

}  // namespace kiv
