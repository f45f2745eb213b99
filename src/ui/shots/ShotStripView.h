#pragma once

#include "ui/shots/Shot.h"

#include <QList>
#include <QUrl>
#include <QWidget>

#include <functional>

class ShotTile;
class Store;

// The grid of screenshot tiles under the composer (and in the entry editor):
// as many columns as tiles of at least 84 px fit, every tile 0.62 times as
// high as it is wide, the last row's missing places left empty. Its height
// follows from its width. The owner sets the shots and rebuilds it whenever
// the entry or the pending pictures change; a click on a tile previews the
// strip's pictures from that tile on.
class ShotStripView : public QWidget {
    Q_OBJECT
public:
    explicit ShotStripView(const Store& store, QWidget* parent = nullptr);

    void setShots(const QList<Shot>& shots) { m_shots = shots; }
    const QList<Shot>& shots() const { return m_shots; }
    // One new tile per shot, then a new grid.
    void rebuild();
    const QList<ShotTile*>& cells() const { return m_cells; }
    int lastColumns() const { return m_lastCols; }
    // One address per shot, in shot order, so that positions match the tiles.
    QList<QUrl> previewURLs() const;
    // Called after the strip's height changed (tiles came or went, or its
    // width changed the grid).
    std::function<void()> onHeightChanged;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ShotTile* makeCell(const Shot& shot, int index);
    // Decides the column count and places the tiles in rows.
    void relayoutRows();
    // Sizes the tiles for the current width within the current grid.
    void placeCells();

    const Store& m_store;
    QList<ShotTile*> m_cells;
    int m_lastCols = 0;
    QList<Shot> m_shots;
};
