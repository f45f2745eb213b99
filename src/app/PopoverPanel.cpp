#include "app/PopoverPanel.h"

#include "model/Theme.h"
#include "ui/panel/ResizeEdgesView.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>

PopoverPanel::PopoverPanel(QWidget* content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_content(content)
    , m_edges(new ResizeEdgesView(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Names cut short in its lists tell themselves whole, active or not.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle(QStringLiteral("Zevra Tikit"));
    setMinimumSize(minimumPanelSize);
    m_content->setParent(this);
    m_content->show();
    m_edges->setTargetWindow(this);
    m_edges->raise();
}

QWidget* PopoverPanel::takeContent() {
    QWidget* content = m_content;
    if (content)
        content->setParent(nullptr);
    m_content = nullptr;
    return content;
}

QPainterPath PopoverPanel::shape() const {
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    return path;
}

void PopoverPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = shape();
    // The material: the window colour, then the appearance's tint over it.
    painter.fillPath(path, palette().color(QPalette::Window));
    painter.fillPath(path, Theme::surfaceTint());
    painter.setPen(QPen(Theme::cardBorder(), 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                            cornerRadius - 0.5);
}

void PopoverPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_content)
        m_content->setGeometry(rect());
    m_edges->setGeometry(rect());
    m_edges->raise();
    // Without a compositor the transparent corners would show black: clip them.
    setMask(QRegion(shape().toFillPolygon().toPolygon()));
}
