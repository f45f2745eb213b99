#include "ui/shots/ShotStripView.h"

#include "model/Store.h"
#include "ui/shots/Previewer.h"
#include "ui/shots/ShotSource.h"
#include "ui/shots/ShotStripLayout.h"
#include "ui/shots/ShotTile.h"
#include "ui/shots/ThumbnailCache.h"

#include <QPointer>
#include <QResizeEvent>

#include <cmath>

ShotStripView::ShotStripView(const Store& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(0);
}

void ShotStripView::rebuild() {
    for (ShotTile* cell : std::as_const(m_cells)) {
        // A tile may be rebuilt away from inside its own remove button.
        cell->hide();
        cell->deleteLater();
    }
    m_cells.clear();
    for (int i = 0; i < m_shots.size(); ++i)
        m_cells.append(makeCell(m_shots[i], i));
    relayoutRows();
}

ShotTile* ShotStripView::makeCell(const Shot& shot, int index) {
    auto* cell = new ShotTile(this);
    cell->setAccessibleName(QStringLiteral("Picture %1 of %2").arg(index + 1).arg(m_shots.size()));
    switch (ShotSource::image(shot)) {
    case ShotSource::Image::Bytes:
        cell->setImage(QImage::fromData(*shot.data));
        break;
    case ShotSource::Image::File:
        if (const std::optional<QString> path = m_store.screenshotPath(*shot.file))
            cell->setImage(QImage(*path));
        break;
    case ShotSource::Image::Remote: {
        QPointer<ShotTile> target(cell);
        ThumbnailCache::load(*shot.remoteURL, cell, [target](const QImage& image) {
            if (target)
                target->setImage(image);
        });
        break;
    }
    case ShotSource::Image::None:
        break;
    }
    const bool clickable = ShotSource::clickable(shot);
    cell->setClickable(clickable);
    if (clickable) {
        QPointer<ShotStripView> strip(this);
        cell->onClick = [strip, index] {
            if (strip)
                Previewer::shared().preview(strip->previewURLs(), index);
        };
    }
    cell->setOnRemove(shot.onRemove);
    cell->show();
    return cell;
}

QList<QUrl> ShotStripView::previewURLs() const {
    QList<QUrl> urls;
    urls.reserve(m_shots.size());
    for (const Shot& shot : m_shots) {
        urls.append(ShotSource::previewUrl(shot, m_store, [](const QByteArray& data) {
            return Previewer::shared().writeTemporary(data);
        }));
    }
    return urls;
}

void ShotStripView::relayoutRows() {
    m_lastCols = ShotStripLayout::columnCount(width(), int(m_cells.size()));
    placeCells();
}

void ShotStripView::placeCells() {
    const double w = width();
    for (int i = 0; i < m_cells.size(); ++i) {
        const QRectF r = ShotStripLayout::tileRect(w, m_lastCols, i);
        m_cells[i]->setGeometry(
            QRect(QPoint(int(std::round(r.left())), int(std::round(r.top()))),
                  QPoint(int(std::round(r.right())) - 1, int(std::round(r.bottom())) - 1)));
    }
    const int h = int(std::ceil(ShotStripLayout::height(w, int(m_cells.size()))));
    if (h == height() && minimumHeight() == h)
        return;
    setFixedHeight(h);
    if (onHeightChanged)
        onHeightChanged();
}

void ShotStripView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const double oldWidth = event->oldSize().width();
    if (ShotStripLayout::needsRelayout(oldWidth, width(), m_lastCols, int(m_cells.size())))
        relayoutRows();
    else
        placeCells(); // the same grid, its tiles as wide as the strip allows
}
