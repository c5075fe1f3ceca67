// Fills the main dialog's hooks for unit list import and export (hooks importUnits, exportUnits).
#pragma once

namespace kiv {

class CMainDlg;
void InstallUnitListDialogs(CMainDlg& dlg);

}  // namespace kiv
