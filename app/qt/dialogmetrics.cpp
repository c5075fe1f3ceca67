// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/dialogmetrics.h"

#include <QFontMetrics>

namespace kiv {

namespace {
int g_zoomPercent = 100;
}

DialogUnits DialogUnits::ForFont(const QFont& zoomed) {
    QFont font = zoomed;
    font.setPointSizeF(zoomed.pointSizeF() * 100 / g_zoomPercent);
    const QFontMetrics fm(font);
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    DialogUnits du;
    du.baseX = (fm.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    du.baseY = fm.height();
    if (du.baseX < 1) du.baseX = 6;
    if (du.baseY < 1) du.baseY = 13;
    du.zoom = g_zoomPercent;
    return du;
}

int ZoomPercent() {
    return g_zoomPercent;
}

void SetZoomPercent(int percent) {
    g_zoomPercent = percent;
}

QFont DialogFont() {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(8.0 * g_zoomPercent / 100);
    return f;
}

}  // namespace kiv
