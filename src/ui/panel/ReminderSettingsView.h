#pragma once

#include "model/ReminderSettings.h"

#include <QList>
#include <QWidget>

class QSpinBox;
class QTimeEdit;
class QToolButton;

// The reminder rows of the connection form: "Remind me to track after [15]
// minutes" (off, 5 to 120) with the working days as seven toggles and the
// working hours, and "Notify after a timer has run [10] hours" (off, 1 to
// 24). The days and hours only matter, and only take input, while reminders
// are on.
class ReminderSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit ReminderSettingsView(const ReminderSettings& settings, QWidget* parent = nullptr);

    ReminderSettings settings() const;

    QSpinBox* remindField() const { return m_remind; }
    // Monday first.
    const QList<QToolButton*>& dayButtons() const { return m_days; }
    QTimeEdit* fromField() const { return m_from; }
    QTimeEdit* toField() const { return m_to; }
    QSpinBox* longTimerField() const { return m_longTimer; }

private:
    void followRemind();

    QSpinBox* m_remind;
    QList<QToolButton*> m_days;
    QTimeEdit* m_from;
    QTimeEdit* m_to;
    QSpinBox* m_longTimer;
};
