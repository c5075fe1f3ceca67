// Fills the main dialog's hooks for the unit dialogs: defineUnit (menu and
// Ctrl+D), defineUnitFromKeypad and unitsDialog (the "list" button and a
// letter typed in floating mode). Edit Categories opens from their lists.
#pragma once

namespace kiv {

class CMainDlg;
void InstallUnitDialogs(CMainDlg& dlg);

}  // namespace kiv
