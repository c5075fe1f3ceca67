// SPDX-License-Identifier: GPL-3.0-or-later
// Dialog units to pixels, as Windows converts them: from the dialog font's
// average character width and height (its base units).
#pragma once

#include <QFont>
#include <QRect>

namespace kiv {

struct DialogUnits {
    int baseX = 6;
    int baseY = 13;
    int zoom = 100;  // percent: the base units are the unzoomed font's
    // The units of `font` at the current zoom: the base units of the same
    // font at 100 %, grown by the zoom, so that every step keeps the
    // proportions of 100 % (the rounded units of a larger font would not).
    static DialogUnits ForFont(const QFont& font);
    int x(int du) const { return (du * baseX * zoom) / 400; }
    int y(int du) const { return (du * baseY * zoom) / 800; }
    QRect rect(int x0, int y0, int w, int h) const { return QRect(x(x0), y(y0), x(w), y(h)); }
};

// The dialog font: 8 point "MS Sans Serif", for which fontconfig picks the
// system's sans serif (DejaVu Sans on Debian); every position follows that
// font's base units, so the layout keeps its proportions with any font.
QFont DialogFont();

// The user's zoom in percent, 100 to 300: the dialog font, and with it every
// dialog-unit layout, and every font Kiv measures calculator text with grow
// by it. Windows built after a change take it at once.
int ZoomPercent();
void SetZoomPercent(int percent);
// The zoom steps of the Display menu, from 100 %.
inline constexpr int kZoomSteps[] = {100, 125, 150, 175, 200, 250, 300};

}  // namespace kiv
