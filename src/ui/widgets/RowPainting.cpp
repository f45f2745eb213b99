#include "ui/widgets/RowPainting.h"

#include "model/Theme.h"
#include "ui/widgets/RowMetrics.h"
#include "ui/widgets/Style.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

void RowPainting::hover(QPainter& p, const QWidget* row, bool lastOfDay) {
    const QColor shade(0, 0, 0, qRound(0.22 * 255));
    if (!lastOfDay) {
        p.fillRect(row->rect(), shade);
        return;
    }
    const QRectF r(row->rect());
    const qreal radius = 12;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.topRight());
    path.lineTo(r.right(), r.bottom() - radius);
    path.quadTo(r.bottomRight(), QPointF(r.right() - radius, r.bottom()));
    path.lineTo(r.left() + radius, r.bottom());
    path.quadTo(r.bottomLeft(), QPointF(r.left(), r.bottom() - radius));
    path.closeSubpath();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(path, shade);
    p.restore();
}

void RowPainting::separator(QPainter& p, const QWidget* row) {
    p.fillRect(QRect(0, row->height() - 1, row->width(), 1),
               Style::withAlpha(Theme::cardBorder(), 0.12));
}

void RowPainting::metaLine(QPainter& p, const QRect& line, const QColor& dot, const QString& name,
                           const QString& suffix) {
    const RowMetrics& m = RowMetrics::get();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(dot);
    const qreal cy = line.top() + line.height() / 2.0;
    p.drawEllipse(QRectF(line.left(), cy - 4, 8, 8));

    p.setFont(m.meta);
    const QFontMetrics fm(m.meta);
    int x = line.left() + 8 + 6;
    const int suffixWidth = suffix.isEmpty() ? 0 : fm.horizontalAdvance(suffix) + 6;
    const int nameRoom = qMax(0, line.right() + 1 - x - suffixWidth);
    const QString shownName = fm.elidedText(name, Qt::ElideRight, nameRoom);
    const int nameWidth = fm.horizontalAdvance(shownName);
    p.setPen(Style::secondaryLabel());
    p.drawText(QRect(x, line.top(), nameRoom, line.height()),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownName);
    if (!suffix.isEmpty()) {
        x += nameWidth + 6;
        p.setPen(Style::tertiaryLabel());
        p.drawText(QRect(x, line.top(), qMax(0, line.right() + 1 - x), line.height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fm.elidedText(suffix, Qt::ElideRight, qMax(0, line.right() + 1 - x)));
    }
    p.restore();
}

void RowPainting::title(QPainter& p, const QRect& line, const QString& text) {
    const RowMetrics& m = RowMetrics::get();
    p.setFont(m.title);
    p.setPen(Style::label());
    const QFontMetrics fm(m.title);
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               fm.elidedText(text, Qt::ElideRight, line.width()));
}
