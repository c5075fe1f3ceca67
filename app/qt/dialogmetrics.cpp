#include "app/qt/dialogmetrics.h"

#include <QFontMetrics>

namespace kiv {

DialogUnits DialogUnits::ForFont(const QFont& font) {
    const QFontMetrics fm(font);
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    DialogUnits du;
    du.baseX = (fm.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    du.baseY = fm.height();
    if (du.baseX < 1) du.baseX = 6;
    if (du.baseY < 1) du.baseY = 13;
    return du;
}

QFont DialogFont() {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    return f;
}

}  // namespace kiv
