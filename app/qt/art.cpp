// SPDX-License-Identifier: GPL-3.0-or-later
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
// leaves transparent. Nothing is smoothed: a smoothed edge blends its colour
// with the black, and those dark pixels would stay as a fringe around the
// caption and the arc on the dialog's background.
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
    // The arc and the caption stand on the dialog's light background: the
    // rule's own colours, not a pale one that would all but vanish there.
    p.setPen(QPen(QColor(0xf0, 0xa0, 0x30), 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(10, 6, 46, 54), 30 * 16, 120 * 16);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(14);
    f.setBold(true);
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    p.setPen(QColor(0x2f, 0x4f, 0x6f));
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
