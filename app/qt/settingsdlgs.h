// Fills the main dialog's hooks for the Preferences, Display preferences and Memory dialogs (hooks preferences, displayPrefs, memoryDialog).
#pragma once

namespace kiv {

class CMainDlg;
void InstallSettingsDialogs(CMainDlg& dlg);

}  // namespace kiv
