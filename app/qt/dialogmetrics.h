// Dialog units to pixels, as Windows converts them: from the dialog font's
// average character width and height (its base units).
#pragma once

#include <QFont>
#include <QRect>

namespace kiv {

struct DialogUnits {
    int baseX = 6;
    int baseY = 13;
    static DialogUnits ForFont(const QFont& font);
    int x(int du) const { return (du * baseX) / 4; }
    int y(int du) const { return (du * baseY) / 8; }
    QRect rect(int x0, int y0, int w, int h) const { return QRect(x(x0), y(y0), x(w), y(h)); }
};

// The dialog font: 8 point "MS Sans Serif", for which fontconfig picks the
// system's sans serif (DejaVu Sans on Debian); every position follows that
// font's base units, so the layout keeps its proportions with any font.
QFont DialogFont();

}  // namespace kiv
