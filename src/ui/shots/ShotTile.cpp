#include "ui/shots/ShotTile.h"

#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"

#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

namespace {

constexpr int buttonSide = 18;
constexpr int buttonInset = 3;

} // namespace

ShotTile::ShotTile(QWidget* parent)
    : ClickView(parent)
    , m_remove(new SymbolButton(u"xmark"_s, 8, this)) {
    setRadius(8);
    setBorderWidth(1);
    setBorderColor(LayerView::ColorFn([] { return Style::separator(); }));
    setFill(QColor(255, 255, 255, 13));
    m_remove->setFixedSize(buttonSide, buttonSide);
    m_remove->setTint(QColor(Qt::white));
    m_remove->setBackground(QColor(0, 0, 0, 153), buttonSide / 2.0);
    m_remove->setToolTip(u"Remove screenshot"_s);
    m_remove->setAccessibleName(u"Remove screenshot"_s);
    m_remove->setAccessibleName(u"Remove screenshot"_s);
    m_remove->setCursor(Qt::ArrowCursor);
    m_remove->hide();
    connect(m_remove, &SymbolButton::clicked, this, [this] {
        // The callback usually rebuilds the strip, and this tile with it.
        const std::function<void()> action = m_onRemove;
        if (action)
            action();
    });
}

void ShotTile::setImage(const QImage& image) {
    m_image = image;
    update();
}

void ShotTile::setOnRemove(std::function<void()> onRemove) {
    m_onRemove = std::move(onRemove);
    m_remove->setVisible(bool(m_onRemove));
}

void ShotTile::setClickable(bool clickable) {
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ShotTile::resizeEvent(QResizeEvent* event) {
    ClickView::resizeEvent(event);
    m_remove->move(width() - buttonInset - buttonSide, buttonInset);
}

void ShotTile::paintEvent(QPaintEvent* event) {
    ClickView::paintEvent(event);
    if (m_image.isNull())
        return;
    const QRectF inner = QRectF(rect()).adjusted(1, 1, -1, -1);
    QSizeF fitted = m_image.size().toSizeF();
    fitted.scale(inner.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(), fitted);
    target.moveCenter(inner.center());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(inner, 7, 7);
    painter.setClipPath(clip);
    painter.drawImage(target, m_image);
}
