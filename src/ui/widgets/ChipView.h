#pragma once

#include "ui/widgets/ClickView.h"

class TextLabel;

// The client chip: a coloured dot and the client's name on a tinted capsule;
// a click, Space or Return calls onClick.
class ChipView : public ClickView {
    Q_OBJECT
public:
    explicit ChipView(QWidget* parent = nullptr);

    void configure(const QString& name, const QColor& color);
    QString text() const;
    QColor dotColor() const;

private:
    LayerView* m_dot;
    TextLabel* m_text;
};
