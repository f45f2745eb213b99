#pragma once

#include "ui/widgets/LayerView.h"

#include <functional>

class TextLabel;

// The client chip: a coloured dot and the client's name on a tinted capsule.
class ChipView : public LayerView {
    Q_OBJECT
public:
    explicit ChipView(QWidget* parent = nullptr);

    void configure(const QString& name, const QColor& color);
    QString text() const;
    QColor dotColor() const;

    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // Space or Return does what a click does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    LayerView* m_dot;
    TextLabel* m_text;
};
