#include "ui/admin/SwatchButton.h"

#include "model/Colors.h"
#include "ui/widgets/Style.h"

#include <QPainter>

SwatchButton::SwatchButton(const QString& hex, int size, QWidget* parent)
    : QAbstractButton(parent)
    , m_hex(hex)
    , m_size(size) {
    setFixedSize(size, size);
    setCursor(Qt::PointingHandCursor);
    // Reached by Tab; a click leaves the focus where it is.
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Colour ") + hex);
}

void SwatchButton::setHex(const QString& hex) {
    m_hex = hex;
    setAccessibleName(QStringLiteral("Colour ") + hex);
    update();
}

void SwatchButton::setMarked(bool marked) {
    if (m_marked == marked)
        return;
    m_marked = marked;
    update();
}

void SwatchButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = colorFromHex(m_hex).value_or(QColor(Qt::gray));
    if (!isEnabled())
        fill.setAlphaF(0.35f);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(QRectF(rect()));
    if (m_marked) {
        p.setPen(QPen(Style::label(), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}
