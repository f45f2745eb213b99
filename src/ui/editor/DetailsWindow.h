#pragma once

#include "ui/editor/CardPlacement.h"

#include <QWidget>

// The details card: a frameless window beside the panel that paints a
// rounded card with an arrow pointing at the panel, and holds the entry
// editor in the card's body. It takes the keyboard so the editor's fields can
// be typed in; the shell counts it as part of the panel.
class DetailsWindow : public QWidget {
    Q_OBJECT
public:
    // Takes `editor` into the card's body.
    explicit DetailsWindow(QWidget* editor);

    QWidget* editor() const { return m_editor; }
    // The card's body, where the client and people overlays open while the
    // card is open.
    QWidget* body() const { return m_body; }
    CardPlacement::Side side() const { return m_side; }
    int arrowY() const { return m_arrowY; }

    // The height the card wants: the editor's at its width, or an open
    // overlay's when that is taller; at least 160.
    int fittingHeight() const;
    // Moves and sizes the window and turns its arrow to the given side.
    void apply(const CardPlacement::Place& place);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();

    QWidget* m_body;
    QWidget* m_editor;
    CardPlacement::Side m_side = CardPlacement::Side::Right;
    int m_arrowY = CardPlacement::arrowInset;
};
