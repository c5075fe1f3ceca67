// Fills the main dialog's hooks for the Define unit, Units and Edit Categories dialogs (hooks defineUnit, unitsDialog, defineUnitFromKeypad).
#pragma once

namespace kiv {

class CMainDlg;
void InstallUnitDialogs(CMainDlg& dlg);

}  // namespace kiv
