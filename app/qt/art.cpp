#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "app/qt/maindlg.h"

namespace kiv {

QIcon KivIcon() {
    static const QIcon icon = [] {
        QIcon i;
        for (int size : {16, 32, 48, 64, 128, 256})
            i.addFile(QStringLiteral(":/icons/kiv-%1.png").arg(size), QSize(size, size));
        return i;
    }();
    return icon;
}

// A slide rule crossed by a unit arc: drawn on black, which the About box
// leaves transparent.
QImage AboutLogo() {
    QImage img(66, 66, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x4f, 0x6f));
    p.drawRect(6, 24, 54, 18);
    p.setBrush(QColor(0xf0, 0xa0, 0x30));
    p.drawRect(6, 30, 54, 6);
    p.setPen(QColor(0xe8, 0xed, 0xf2));
    for (int x = 8; x < 60; x += 4) p.drawLine(x, 24, x, x % 8 == 0 ? 29 : 27);
    p.setPen(QPen(QColor(0xdf, 0xe9, 0xd8), 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(10, 6, 46, 54), 30 * 16, 120 * 16);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xdf, 0xe9, 0xd8));
    p.drawText(QRect(0, 44, 66, 20), Qt::AlignCenter, QStringLiteral("m/s\u00B2"));
    return img;
}

void DrawTransparentBitmap(QPainter& p, const QImage& image, int x, int y, QRgb transparent) {
    QImage withAlpha = image.convertToFormat(QImage::Format_ARGB32);
    const QImage mask = image.createMaskFromColor(transparent, Qt::MaskOutColor);
    withAlpha.setAlphaChannel(mask);
    p.drawImage(x, y, withAlpha);
}

}  // namespace kiv
