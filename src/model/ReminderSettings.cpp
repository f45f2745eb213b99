#include "model/ReminderSettings.h"

#include "model/JsonTextWriter.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

QString timeText(QTime time) {
    return time.toString(u"HH:mm"_s);
}

QTime timeFrom(const QJsonValue& value, QTime fallback) {
    const QTime time = QTime::fromString(value.toString(), u"HH:mm"_s);
    return time.isValid() ? time : fallback;
}

QJsonArray dayNumbers(int days) {
    QJsonArray numbers;
    for (int day = 1; day <= 7; ++day) {
        if ((days >> (day - 1)) & 1)
            numbers.append(day);
    }
    return numbers;
}

} // namespace

bool ReminderSettings::isWorkingTime(const QDateTime& instant) const {
    const QDateTime local = instant.toLocalTime();
    const QTime time = local.time();
    const int day = local.date().dayOfWeek();
    if (workingFrom == workingTo)
        return worksOn(day);
    if (workingFrom < workingTo)
        return worksOn(day) && time >= workingFrom && time < workingTo;
    // Past midnight: the evening of a working day, or the morning after one.
    return (worksOn(day) && time >= workingFrom) ||
           (worksOn(local.date().addDays(-1).dayOfWeek()) && time < workingTo);
}

QDateTime ReminderSettings::stretchStart(const QDateTime& instant) const {
    const QDateTime local = instant.toLocalTime();
    QDate date = local.date();
    if (workingFrom == workingTo)
        return QDateTime(date, QTime(0, 0));
    if (workingFrom > workingTo && local.time() < workingTo)
        date = date.addDays(-1);
    return QDateTime(date, workingFrom);
}

ReminderSettings ReminderSettings::bounded() const {
    ReminderSettings r = *this;
    r.remindAfterMinutes =
        remindAfterMinutes <= 0
            ? 0
            : qBound(minRemindAfterMinutes, remindAfterMinutes, maxRemindAfterMinutes);
    r.longTimerHours = qBound(0, longTimerHours, maxLongTimerHours);
    r.workingDays = workingDays & 0x7f;
    r.workingFrom = QTime(workingFrom.hour(), workingFrom.minute());
    r.workingTo = QTime(workingTo.hour(), workingTo.minute());
    return r;
}

ReminderSettings ReminderSettings::fromJson(const QJsonObject& settings) {
    ReminderSettings r;
    const auto number = [&settings](QLatin1StringView key, int fallback) {
        const QJsonValue v = settings.value(key);
        return v.isDouble() ? int(qBound(-1.0, v.toDouble(), 10000.0)) : fallback;
    };
    r.remindAfterMinutes = number("remind_after_minutes"_L1, defaultRemindAfterMinutes);
    r.longTimerHours = number("long_timer_hours"_L1, defaultLongTimerHours);
    const QJsonValue days = settings.value("working_days"_L1);
    if (days.isArray()) {
        r.workingDays = 0;
        for (const QJsonValue& day : days.toArray()) {
            const int n = day.toInt();
            if (n >= 1 && n <= 7)
                r.workingDays |= 1 << (n - 1);
        }
    }
    r.workingFrom = timeFrom(settings.value("working_from"_L1), r.workingFrom);
    r.workingTo = timeFrom(settings.value("working_to"_L1), r.workingTo);
    return r.bounded();
}

void ReminderSettings::addTo(QJsonObject& settings) const {
    settings.insert("long_timer_hours"_L1, longTimerHours);
    settings.insert("remind_after_minutes"_L1, remindAfterMinutes);
    settings.insert("working_days"_L1, dayNumbers(workingDays));
    settings.insert("working_from"_L1, timeText(workingFrom));
    settings.insert("working_to"_L1, timeText(workingTo));
}

void ReminderSettings::writeTimerKeys(JsonTextWriter& w) const {
    w.key("long_timer_hours"_L1);
    w.value(qint64(longTimerHours));
    w.key("remind_after_minutes"_L1);
    w.value(qint64(remindAfterMinutes));
}

void ReminderSettings::writeWorkingKeys(JsonTextWriter& w) const {
    w.key("working_days"_L1);
    w.beginArray();
    for (const QJsonValue& day : dayNumbers(workingDays)) {
        w.element();
        w.value(qint64(day.toInt()));
    }
    w.endArray();
    w.key("working_from"_L1);
    w.value(timeText(workingFrom));
    w.key("working_to"_L1);
    w.value(timeText(workingTo));
}
