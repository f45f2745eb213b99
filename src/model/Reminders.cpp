#include "model/Reminders.h"

#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Time.h"

#include <algorithm>

using namespace Qt::StringLiterals;

Reminders::Reminders(AppModel& model, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_quietSince(Clock::now())
    , m_running(model.running().has_value()) {
    connect(&m_timer, &ClockTimer::timeout, this, &Reminders::check);
}

void Reminders::start() {
    m_started = true;
    check();
}

void Reminders::setAway(bool away) {
    if (m_away == away)
        return;
    m_away = away;
    if (!away)
        m_quietSince = Clock::now();
    modelChanged();
}

void Reminders::modelChanged() {
    if (m_started)
        check();
}

std::optional<int> Reminders::remindSeconds() const {
    const int seconds = m_remindOverride
                            ? *m_remindOverride
                            : m_model.store().db().settings.reminders.remindAfterMinutes * 60;
    return seconds > 0 ? std::optional(seconds) : std::nullopt;
}

std::optional<int> Reminders::longTimerSeconds() const {
    const int seconds = m_longTimerOverride
                            ? *m_longTimerOverride
                            : m_model.store().db().settings.reminders.longTimerHours * 3600;
    return seconds > 0 ? std::optional(seconds) : std::nullopt;
}

void Reminders::check() {
    const QDateTime now = Clock::now();
    QDateTime next = now.addSecs(60);
    const std::optional<Entry> running = m_model.running();
    if (m_running && !running)
        m_quietSince = now;
    m_running = running.has_value();
    const ReminderSettings& settings = m_model.store().db().settings.reminders;
    const std::optional<QDateTime> started =
        running ? Time::parse(running->startedAt) : std::nullopt;
    if (const std::optional<int> limit = longTimerSeconds();
        started && limit && m_model.store().db().longTimerNoted != running->id) {
        const QDateTime due = started->addSecs(*limit);
        if (now < due) {
            next = std::min(next, due);
        } else if (!m_away) {
            m_model.setLongTimerNoted(running->id);
            Q_EMIT longTimer(*running, started->secsTo(now));
        }
    }
    const std::optional<int> interval = remindSeconds();
    if (!running && interval && (m_remindOverride || settings.isWorkingTime(now))) {
        QDateTime from = m_quietSince;
        if (!m_remindOverride)
            from = std::max(from, settings.stretchStart(now).toUTC());
        QDateTime due = from.addSecs(*interval);
        if (now >= due && !m_away) {
            m_quietSince = now;
            due = now.addSecs(*interval);
            Q_EMIT remind();
        }
        // Due but away: coming back checks again.
        if (due > now)
            next = std::min(next, due);
    }
    m_timer.start(int(std::max<qint64>(now.msecsTo(next), 1)));
}

QString Reminders::longTimerText(const Entry& entry, qint64 seconds) {
    const QString ran = u"It has run "_s + Time::hms(double(seconds)) + u"."_s;
    if (entry.description.trimmed().isEmpty())
        return u"Still working? "_s + ran;
    return u"Still working on "_s + entry.description.trimmed() + u"? "_s + ran;
}
