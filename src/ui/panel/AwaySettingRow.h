#pragma once

#include <QWidget>

class QSpinBox;
class TextLabel;

// "Ask about away time after [10] minutes" in the connection form: off, or
// 1 to 120 minutes. Says so when this desktop offers no idle time at all.
class AwaySettingRow : public QWidget {
    Q_OBJECT
public:
    AwaySettingRow(int minutes, QWidget* parent = nullptr);

    int minutes() const;
    QSpinBox* field() const { return m_minutes; }

    // Set once at start by the app: whether any idle source answers here.
    static void setIdleSourceFound(bool found);

private:
    QSpinBox* m_minutes;
};
