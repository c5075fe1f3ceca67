// Installs every dialog the main window opens. The application and the GUI
// tests call this once, before the start-up sequence.
#pragma once

namespace kiv {

class CMainDlg;
void InstallAllDialogs(CMainDlg& dlg);

}  // namespace kiv
