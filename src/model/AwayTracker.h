#pragma once

#include "model/AwayQuestion.h"

#include <QDateTime>
#include <QObject>

#include <optional>

class AppModel;

// Notices when the person left the computer while an entry ran and asks about
// that time once they are back. Idle, sleep and lock events come in (from
// whatever the desktop offers); the start of the away time and the waiting
// question go into the database, so both outlive the app. Times come from the
// program's Clock. Main thread only.
class AwayTracker : public QObject {
    Q_OBJECT
public:
    enum class Answer { Keep, Discard, Continue };

    explicit AwayTracker(AppModel& model, QObject* parent = nullptr);

    // Seconds away that are worth a question: the setting, or the override;
    // nothing when switched off.
    std::optional<int> threshold() const;
    void setThresholdOverride(std::optional<int> seconds) { m_override = seconds; }

    // The person has not touched keyboard or pointer since `lastInput`.
    void idleSince(const QDateTime& lastInput);
    void inputResumed();
    void setSleeping(bool sleeping);
    void setLocked(bool locked);
    // At start: away time that a copy which ended while away left open ends now.
    void resume();

    bool isAway() const { return m_reasons != 0; }
    std::optional<AwayQuestion> question() const;

    // Answers the waiting question on the model; false when none waits.
    static bool answer(AppModel& model, Answer answer);
    static std::optional<Answer> answerNamed(const QString& name);

Q_SIGNALS:
    // A new question waits.
    void questionAsked();
    // The person went away (idle, asleep or locked), or came back.
    void awayChanged(bool away);

private:
    enum Reason { Idle = 1, Sleep = 2, Lock = 4 };
    void begin(Reason reason, const QDateTime& since);
    void end(int reasons);
    // The person is back: a question when the time away was long enough and
    // the entry that ran through it still runs.
    void back();

    AppModel& m_model;
    std::optional<int> m_override;
    int m_reasons = 0;
};
