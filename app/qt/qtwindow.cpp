// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/qtwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QFontMetrics>
#include <QMessageBox>

#include "app/qt/dialogmetrics.h"

namespace kiv {
namespace {

// Windows-1252 code points for 0x80..0x9F; the rest of the high half is
// Latin-1.
const char16_t kCp1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                              0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QFont FontFor(FontId id) {
    QFont f(QStringLiteral("Arial"));
    switch (id) {
        case FontId::EntryLarge:
            f.setPointSize(14);
            break;
        case FontId::EntrySmall:
            f.setPointSize(10);
            break;
        case FontId::ListLarge:
            f.setPointSize(10);
            break;
        case FontId::ListSmall:
            f.setPointSize(8);
            break;
    }
    f.setPointSizeF(f.pointSizeF() * ZoomPercent() / 100);
    return f;
}

}  // namespace

QString FromCalcText(const std::string& s) {
    QString out;
    out.reserve(int(s.size()));
    for (unsigned char c : s) {
        if (c >= 0x80 && c < 0xA0)
            out.append(QChar(kCp1252[c - 0x80]));
        else
            out.append(QChar(char16_t(c)));
    }
    return out;
}

std::string ToCalcText(const QString& s) {
    std::string out;
    for (QChar ch : s) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            out.push_back(char(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i)
            if (kCp1252[i] == u) mapped = char(0x80 + i);
        out.push_back(mapped);
    }
    return out;
}

Answer QtWindow::messageBox(const std::string& caption, const std::string& text, int style) {
    QMessageBox box(owner_);
    box.setWindowTitle(FromCalcText(caption));
    // The substituted texts are file and unit names: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(FromCalcText(text));
    box.setAccessibleDescription(box.text());  // read out with its caption
    switch (style & 0xF0) {
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        default:
            box.setIcon(QMessageBox::Warning);
            break;
    }
    switch (style & 0x0F) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:
            return Answer::Closed;
    }
}

void QtWindow::beep() {
    QApplication::beep();
}

int QtWindow::textWidth(FontId font, const char* text, int count) {
    return QFontMetrics(FontFor(font))
        .horizontalAdvance(FromCalcText(std::string(text, size_t(count))));
}

int QtWindow::textHeight(FontId font) {
    return QFontMetrics(FontFor(font)).height();
}

void QtWindow::setClipboardText(const std::string& text) {
    QApplication::clipboard()->setText(FromCalcText(text));
}

bool QtWindow::clipboardText(std::string* text) {
    const QString t = QApplication::clipboard()->text();
    if (t.isNull()) return false;
    *text = ToCalcText(t);
    return true;
}

}  // namespace kiv
