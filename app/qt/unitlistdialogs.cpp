// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/unitlistdialogs.h"

#include <QFile>
#include <QFileDialog>

#include "app/core/unitlist.h"
#include "app/qt/maindlg.h"
#include "app/qt/qtwindow.h"

namespace kiv {

QStringList UnitListNameFilters() {
    // "description|pattern|description|pattern||" as Qt's "description (patterns)".
    const QStringList parts = QString::fromLatin1(kUnitListFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file, with or without a dot in its name.
        if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        filters << (parts[i].contains(QLatin1Char('('))
                        ? parts[i]
                        : QStringLiteral("%1 (%2)").arg(parts[i], pattern));
    }
    return filters;
}

bool ChooseUnitListFile(QWidget* parent, bool save, const std::string& title,
                        const std::string& startFolder, std::string* path) {
    QFileDialog dlg(parent, FromCalcText(title), QString::fromStdString(startFolder));
    dlg.setNameFilters(UnitListNameFilters());
    dlg.setDefaultSuffix(QString::fromLatin1(kUnitListExtension));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Saving asks before it overwrites (Qt's default); opening needs a file
    // that exists.
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    *path = QFile::encodeName(dlg.selectedFiles().constFirst()).toStdString();
    return true;
}

}  // namespace kiv
