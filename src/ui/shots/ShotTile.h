#pragma once

#include "ui/widgets/ClickView.h"

#include <QImage>

#include <functional>

class SymbolButton;

// One tile of a screenshot strip: a rounded, bordered cell showing its
// picture scaled to fit, and a round remove button in its top-right corner
// when the shot can be removed.
class ShotTile : public ClickView {
    Q_OBJECT
public:
    explicit ShotTile(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }
    // No button without a callback.
    void setOnRemove(std::function<void()> onRemove);
    SymbolButton* removeButton() const { return m_remove; }
    // Without a click the tile keeps the ordinary pointer.
    void setClickable(bool clickable);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_image;
    SymbolButton* m_remove;
    std::function<void()> m_onRemove;
};
