#pragma once

#include <QWidget>

// The card of an overlay: clicks on it stop here instead of reaching the views
// behind it.
class CardView : public QWidget {
    Q_OBJECT
public:
    explicit CardView(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
