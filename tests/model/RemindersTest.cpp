#include "model/Reminders.h"
#include "TestEnv.h"
#include "model/AppModel.h"
#include "model/Time.h"

#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "Mon-09:15" is that time in the week of Monday 2026-01-05 (UTC); "Mon2" is
// a week later.
const QStringList days{u"Mon"_s, u"Tue"_s, u"Wed"_s, u"Thu"_s,
                       u"Fri"_s, u"Sat"_s, u"Sun"_s, u"Mon2"_s};

QDateTime when(const QString& text) {
    const QTime time = QTime::fromString(text.section(u'-', 1), u"HH:mm"_s);
    return QDateTime(QDate(2026, 1, 5).addDays(days.indexOf(text.section(u'-', 0, 0))), time,
                     Qt::UTC);
}

QString label(const QDateTime& instant) {
    return days.value(int(QDate(2026, 1, 5).daysTo(instant.date()))) + u'-' +
           instant.time().toString(u"HH:mm"_s);
}

} // namespace

// Reminders to track and notes on long timers, on the program's clock: what
// fires when, through working hours, away time, restarts and settings.
class RemindersTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<Reminders> m_reminders;
    QStringList m_fired;

    void open() {
        m_reminders.reset();
        m_model = std::make_unique<AppModel>(m_env->dataDirectory());
        m_model->setOnChange([this] { m_reminders->modelChanged(); });
        m_reminders = std::make_unique<Reminders>(*m_model);
        connect(m_reminders.get(), &Reminders::remind, this,
                [this] { m_fired << u"remind "_s + label(Clock::now()); });
        connect(m_reminders.get(), &Reminders::longTimer, this,
                [this](const Entry& entry, qint64 seconds) {
                    m_fired << u"long "_s + entry.description + u' ' + label(Clock::now()) + u' ' +
                                   Time::hms(double(seconds));
                });
        m_reminders->start();
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>(when(u"Mon-08:00"_s), "UTC");
        m_fired.clear();
        open();
    }
    void cleanup() {
        m_reminders.reset();
        m_model.reset();
        m_env.reset();
    }

    void rules_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("fired");
        const auto row = [](const char* name, const QString& steps, const QString& fired) {
            QTest::newRow(name) << steps << (fired.isEmpty() ? QStringList() : fired.split(u','));
        };
        // From Monday 08:00 with nothing running; working hours 09:00-17:00 on
        // weekdays, a reminder after 15 minutes, a note after 10 hours.
        row("inside working hours, one per interval", u"to:Mon-10:00"_s,
            u"remind Mon-09:15,remind Mon-09:30,remind Mon-09:45,remind Mon-10:00"_s);
        row("a timer resets the count", u"to:Mon-09:10 start:A to:Mon-09:20 stop to:Mon-09:40"_s,
            u"remind Mon-09:35"_s);
        row("a working day that ends mid-interval", u"start:A to:Mon-16:50 stop to:Tue-09:20"_s,
            u"remind Tue-09:15"_s);
        row("no working days between", u"start:A to:Fri-16:50 stop to:Mon2-09:15"_s,
            u"long A Mon-18:00 10:00:00,remind Mon2-09:15"_s);
        row("none while away; the count starts again on return",
            u"to:Mon-09:10 away to:Mon-11:00 back to:Mon-11:20"_s, u"remind Mon-11:15"_s);
        row("switched off", u"remind:0 to:Mon-12:00"_s, QString());
        row("hours past midnight", u"hours:22:00-06:00 start:A to:Tue-05:40 stop to:Tue-06:10"_s,
            u"long A Mon-18:00 10:00:00,remind Tue-05:55"_s);
        row("the whole day when from and to are the same", u"hours:00:00-00:00 to:Mon-08:40"_s,
            u"remind Mon-08:15,remind Mon-08:30"_s);
        row("the long-timer note once per entry, kept across a restart",
            u"start:A to:Mon-20:00 restart to:Mon-21:00 stop start:B to:Tue-08:00"_s,
            u"long A Mon-18:00 10:00:00,long B Tue-07:00 10:00:00"_s);
        row("a long timer noted on return, not while away",
            u"start:A to:Mon-17:00 away to:Mon-19:00 back to:Mon-19:30"_s,
            u"long A Mon-19:00 11:00:00"_s);
        row("a long-timer limit of 1 hour; off",
            u"long:1 start:A to:Mon-09:30 stop long:0 start:B to:Mon-12:00"_s,
            u"long A Mon-09:00 1:00:00"_s);
    }
    void rules() {
        QFETCH(QString, steps);
        QFETCH(QStringList, fired);
        ReminderSettings settings;
        for (const QString& step : steps.split(u' ')) {
            const QString verb = step.section(u':', 0, 0);
            const QString value = step.section(u':', 1);
            if (verb == u"to"_s) {
                m_env->clock().advance(Clock::now().msecsTo(when(value)));
            } else if (verb == u"start"_s) {
                m_model->start(value, std::nullopt);
            } else if (verb == u"stop"_s) {
                m_model->stop(*m_model->running());
            } else if (verb == u"away"_s || verb == u"back"_s) {
                m_reminders->setAway(verb == u"away"_s);
            } else if (verb == u"restart"_s) {
                open();
            } else {
                if (verb == u"remind"_s)
                    settings.remindAfterMinutes = value.toInt();
                else if (verb == u"long"_s)
                    settings.longTimerHours = value.toInt();
                else if (verb == u"hours"_s) {
                    settings.workingFrom = QTime::fromString(value.left(5), u"HH:mm"_s);
                    settings.workingTo = QTime::fromString(value.right(5), u"HH:mm"_s);
                } else
                    QFAIL(qPrintable(step));
                m_model->setReminderSettings(settings);
            }
        }
        QCOMPARE(m_fired, fired);
    }

    // A db.json from before reminders: the defaults, and nothing noted yet.
    void olderDatabase() {
        const std::optional<Db> db = Db::decode(
            "{\"clients\": [], \"entries\": [], \"tasks\": [], \"settings\": {\"api_key\": \"k\", "
            "\"is_admin\": false, \"server\": \"http://x\", \"user_name\": \"\"}}");
        QVERIFY(db);
        QCOMPARE(db->settings.reminders, ReminderSettings());
        QCOMPARE(db->longTimerNoted, std::nullopt);
    }

    // Values out of range are brought into it.
    void settingsRead_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected"); // remind, days, from, to, long
        QTest::newRow("older file") << QByteArray("{}") << u"15 31 09:00 17:00 10"_s;
        QTest::newRow("in range")
            << QByteArray(
                   R"({"remind_after_minutes": 45, "working_days": [1, 7],)"
                   R"( "working_from": "07:30", "working_to": "23:59", "long_timer_hours": 1})")
            << u"45 65 07:30 23:59 1"_s;
        QTest::newRow("out of range")
            << QByteArray(R"({"remind_after_minutes": 3, "working_days": [0, 6, 8],)"
                          R"( "working_from": "25:00", "working_to": 9, "long_timer_hours": 99})")
            << u"5 32 09:00 17:00 24"_s;
        QTest::newRow("off") << QByteArray(R"({"remind_after_minutes": -2, "long_timer_hours": 0})")
                             << u"0 31 09:00 17:00 0"_s;
    }
    void settingsRead() {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        const ReminderSettings s =
            ReminderSettings::fromJson(QJsonDocument::fromJson(json).object());
        QCOMPARE(QStringList({QString::number(s.remindAfterMinutes), QString::number(s.workingDays),
                              s.workingFrom.toString(u"HH:mm"_s), s.workingTo.toString(u"HH:mm"_s),
                              QString::number(s.longTimerHours)})
                     .join(u' '),
                 expected);
    }
};

QTEST_GUILESS_MAIN(RemindersTest)
#include "RemindersTest.moc"
