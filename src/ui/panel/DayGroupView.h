#pragma once

#include <QWidget>

class QVBoxLayout;

// The card that holds one day of the list: its header and its rows, stacked
// at full width.
class DayGroupView : public QWidget {
    Q_OBJECT
public:
    explicit DayGroupView(QWidget* parent = nullptr);

    QVBoxLayout* stack() const { return m_stack; }

private:
    QVBoxLayout* m_stack;
};
