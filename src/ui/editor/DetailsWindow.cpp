#include "ui/editor/DetailsWindow.h"

#include "model/Theme.h"

#include <QLayout>
#include <QPainter>
#include <QRegion>

DetailsWindow::DetailsWindow(QWidget* editor)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_body(new QWidget(this))
    , m_editor(editor) {
    setAttribute(Qt::WA_TranslucentBackground);
    // The names cut short in its lists tell themselves whole, active or not.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle(QStringLiteral("Details"));
    m_editor->setParent(m_body);
    m_editor->move(0, 0);
    m_editor->show();
    resize(CardPlacement::width, fittingHeight());
}

int DetailsWindow::fittingHeight() const {
    if (QLayout* layout = m_editor->layout())
        layout->activate();
    int h = m_editor->hasHeightForWidth() ? m_editor->heightForWidth(CardPlacement::cardW)
                                          : m_editor->sizeHint().height();
    // An overlay open over the editor needs its own height.
    for (const QWidget* child : m_body->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != m_editor && child->isVisibleTo(m_body))
            h = std::max(h, child->sizeHint().height());
    }
    return std::max(h, CardPlacement::minHeight);
}

void DetailsWindow::apply(const CardPlacement::Place& place) {
    m_side = place.side;
    m_arrowY = place.arrowY;
    setGeometry(place.frame);
    layOut();
    update();
}

void DetailsWindow::layOut() {
    const QRect body = CardPlacement::body(m_side, height());
    m_body->setGeometry(body);
    m_editor->setGeometry(0, 0, body.width(), body.height());
    // Without a compositor the transparent parts would show black: clip them.
    setMask(QRegion(CardPlacement::shape(m_side, height(), m_arrowY).toFillPolygon().toPolygon()));
}

void DetailsWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void DetailsWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = CardPlacement::shape(m_side, height(), m_arrowY);
    // The same material as the panel: the window colour and the tint over it.
    painter.fillPath(path, palette().color(QPalette::Window));
    painter.fillPath(path, Theme::surfaceTint());
    painter.setPen(QPen(Theme::cardBorder(), 1));
    painter.drawPath(path); // its outer half falls outside the mask
}
