// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialog of the unit list commands ("Import...", "Export..."): a
// Qt file dialog with the list's title, filters and default suffix, whose
// choice goes to the core's reader or writer (app/core/unitlist.h).
#pragma once

#include <QStringList>
#include <string>

class QWidget;

namespace kiv {

// The name filters of both file dialogs.
QStringList UnitListNameFilters();
// A modal open or save dialog starting in `startFolder`; false on Cancel.
bool ChooseUnitListFile(QWidget* parent, bool save, const std::string& title,
                        const std::string& startFolder, std::string* path);

}  // namespace kiv
