#pragma once

#include "ui/widgets/LayerView.h"

#include <functional>

// A view that calls back when pressed, with the pointing-hand cursor.
class ClickView : public LayerView {
    Q_OBJECT
public:
    explicit ClickView(QWidget* parent = nullptr);

    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // Space or Return does what a click does.
    void keyPressEvent(QKeyEvent* event) override;
};
