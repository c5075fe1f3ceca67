// The unit list commands of the main dialog ("Import...", "Export..."): a
// Qt file dialog with the list's title, filters and default suffix, then
// the core's reader or writer (app/core/unitlist.h).
#pragma once

#include <QStringList>
#include <string>

class QWidget;

namespace kiv {

class CMainDlg;
// Fills the main dialog's hooks importUnits and exportUnits.
void InstallUnitListDialogs(CMainDlg& dlg);

// The name filters of both file dialogs.
QStringList UnitListNameFilters();
// A modal open or save dialog starting in `startFolder`; false on Cancel.
bool ChooseUnitListFile(QWidget* parent, bool save, const std::string& title,
                        const std::string& startFolder, std::string* path);

}  // namespace kiv
