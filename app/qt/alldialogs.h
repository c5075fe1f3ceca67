// SPDX-License-Identifier: GPL-3.0-or-later
// Installs every dialog the main window opens: fills each of its dialog
// hooks (Preferences, Display preferences, Memory, Define unit, Units, the
// unit list import and export). The application and the GUI tests call this
// once, before the start-up sequence; without it the window runs bare.
#pragma once

namespace kiv {

class CMainDlg;
void InstallAllDialogs(CMainDlg& dlg);

}  // namespace kiv
