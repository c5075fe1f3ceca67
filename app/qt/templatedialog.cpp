// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/templatedialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

namespace kiv {

TemplateDlg::TemplateDlg(QWidget* parent, const QString& caption) : QDialog(parent) {
    setFont(DialogFont());
    du_ = DialogUnits::ForFont(font());
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    area_ = new QWidget(this);
    layout->addWidget(area_);
}

void TemplateDlg::setTemplateSize(int width, int height) {
    // A menu bar attached at run time takes its height from the template's.
    const int menu = layout()->menuBar() ? layout()->menuBar()->sizeHint().height() : 0;
    area_->setFixedSize(du_.x(width), du_.y(height) - menu);
}

QWidget* TemplateDlg::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void TemplateDlg::addControl(int id, QWidget* w, int x, int y, int cx, int cy) {
    w->setParent(area_);
    w->setGeometry(du_.rect(x, y, cx, cy));
    w->setObjectName(QStringLiteral("id%1").arg(id));
    controls_[id] = w;
}

void TemplateDlg::addStatic(const QString& text, int x, int y, int cx, int cy) {
    auto* l = new QLabel(text, area_);
    l->setGeometry(du_.rect(x, y, cx, cy));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QLineEdit* TemplateDlg::addEdit(int id, int x, int y, int cx, int cy, bool digitsOnly, int chars) {
    auto* e = new QLineEdit;
    // The template's edits are a few characters wide: no inner margins to
    // hide digits behind.
    e->setTextMargins(0, 0, 0, 0);
    e->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px 1px; }"));
    if (digitsOnly)
        e->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    addControl(id, e, x, y, cx, cy);
    if (chars > 0) {
        // A field shows all it holds: it takes at most `chars` characters
        // and grows to the right until that many of the widest digit fit.
        e->setMaxLength(chars);
        e->ensurePolished();
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
        const QRect inside = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e);
        // The edit keeps 2 pixels on each side of its text and 1 for the
        // cursor after it.
        const int room = inside.width() - 2 * 2 - 1;
        const int need = e->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('8')));
        if (need > room) e->resize(e->width() + need - room, e->height());
    }
    return e;
}

void TemplateDlg::addOkCancel(int okX, int cancelX, int y) {
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    addControl(1, ok, okX, y, 36, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setAutoDefault(false);
    addControl(2, cancel, cancelX, y, 36, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TemplateDlg::focusField(int id) {
    if (auto* e = qobject_cast<QLineEdit*>(control(id))) {
        e->setFocus(Qt::OtherFocusReason);
        e->selectAll();
    }
}

void TabStopDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* w = opt.widget;
    QStyle* style = w ? w->style() : nullptr;
    if (style) style->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);
    const int tabAt = text.indexOf(QLatin1Char('\t'));
    const QRect r = opt.rect.adjusted(2, 0, -2, 0);
    p->save();
    p->setFont(opt.font);
    p->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                   : QPalette::Text));
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    p->drawText(r, flags, tabAt < 0 ? text : text.left(tabAt));
    if (tabAt >= 0) p->drawText(r.adjusted(tab_, 0, 0, 0), flags, text.mid(tabAt + 1));
    p->restore();
}

}  // namespace kiv
