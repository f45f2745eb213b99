#include "model/AwayTracker.h"
#include "TestEnv.h"
#include "model/AppModel.h"
#include "model/Time.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Minutes after 09:00 on the test day.
QDateTime at(int minute) {
    return QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC).addSecs(minute * 60);
}
QString iso(int minute) {
    return Time::iso(at(minute));
}

} // namespace

// Away time: idle, sleep and lock in, one question out when the person comes
// back after the threshold to the entry that ran through it; the answers and
// the database keys that carry both across a restart.
class AwayTrackerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<AwayTracker> m_tracker;

    Db& db() { return m_model->store().db(); }

    void awayAndBack(int from, int to) {
        m_tracker->idleSince(at(from));
        m_env->clock().setNow(at(to));
        m_tracker->inputResumed();
    }
    void open() {
        m_tracker.reset();
        m_model = std::make_unique<AppModel>(m_env->dataDirectory());
        m_tracker = std::make_unique<AwayTracker>(*m_model);
    }

private Q_SLOTS:
    void cleanup() {
        // The old sandbox restores the system clock: it goes before the next.
        m_tracker.reset();
        m_model.reset();
        m_env.reset();
    }
    void init() {
        m_env = std::make_unique<TestEnv>(at(-60));
        open();
        m_model->start(u"Design review"_s, u"c1"_s);
        m_env->clock().setNow(at(0));
    }

    void events_data() {
        QTest::addColumn<QStringList>("steps");
        // "from-to" in minutes, or empty for no question.
        QTest::addColumn<QString>("question");
        const auto row = [](const char* name, const QString& steps, const QString& question) {
            QTest::newRow(name) << steps.split(u' ') << question;
        };
        row("idle below the threshold", u"idle:0 at:9 back"_s, QString());
        row("idle at the threshold", u"idle:0 at:10 back"_s, u"0-10"_s);
        row("sleep", u"at:5 sleep at:40 wake"_s, u"5-40"_s);
        row("an entry started while away", u"idle:0 at:5 start at:30 back"_s, QString());
        row("lock", u"at:5 lock at:20 unlock"_s, u"5-20"_s);
        row("sleep while locked waits for the unlock",
            u"at:5 lock at:6 sleep at:30 wake at:31 unlock"_s, u"5-31"_s);
        row("idle before the lock counts from the last input",
            u"at:12 idle:2 at:13 lock at:14 sleep at:50 wake unlock"_s, u"2-50"_s);
        row("entry stopped elsewhere", u"idle:0 at:5 stop at:30 back"_s, QString());
        row("switched off", u"off idle:0 at:30 back"_s, QString());
        row("a restart while away ends it", u"idle:0 at:20 restart"_s, u"0-20"_s);
        row("a newer away time replaces an unanswered question",
            u"idle:0 at:15 back idle:30 at:45 back"_s, u"30-45"_s);
    }
    void events() {
        QFETCH(QStringList, steps);
        QFETCH(QString, question);
        QSignalSpy awayChanges(m_tracker.get(), &AwayTracker::awayChanged);
        for (const QString& step : steps) {
            const QString verb = step.section(u':', 0, 0);
            const QString value = step.section(u':', 1);
            if (verb == u"at"_s)
                m_env->clock().setNow(at(value.toInt()));
            else if (verb == u"idle"_s)
                m_tracker->idleSince(at(value.toInt()));
            else if (verb == u"back"_s)
                m_tracker->inputResumed();
            else if (verb == u"sleep"_s || verb == u"wake"_s)
                m_tracker->setSleeping(verb == u"sleep"_s);
            else if (verb == u"lock"_s || verb == u"unlock"_s)
                m_tracker->setLocked(verb == u"lock"_s);
            else if (verb == u"stop"_s)
                m_model->stop(*m_model->running());
            else if (verb == u"start"_s)
                m_model->start(u"Other"_s, std::nullopt);
            else if (verb == u"off"_s)
                m_model->setAwayAfterMinutes(0);
            else if (verb == u"restart"_s) {
                open();
                m_tracker->resume();
            } else
                QFAIL(qPrintable(step));
        }
        std::optional<AwayQuestion> expected;
        if (!question.isEmpty()) {
            expected = AwayQuestion{iso(question.section(u'-', 0, 0).toInt()),
                                    iso(question.section(u'-', 1).toInt()), db().entries[0].id};
        }
        QCOMPARE(m_tracker->question(), expected);
        QCOMPARE(db().awaySince, std::nullopt);
        // Reminders follow these: away at the first event, back at the last.
        if (!steps.contains(u"restart"_s)) {
            QCOMPARE_GE(awayChanges.size(), 2);
            QCOMPARE(awayChanges.size() % 2, 0);
            for (qsizetype i = 0; i < awayChanges.size(); ++i)
                QCOMPARE(awayChanges[i][0].toBool(), i % 2 == 0);
        }
    }

    void answers_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<std::optional<QString>>("endedAt");
        QTest::addColumn<bool>("startedAgain");
        QTest::newRow("keep") << u"keep"_s << std::optional<QString>() << false;
        QTest::newRow("discard") << u"discard"_s << std::optional(iso(0)) << false;
        QTest::newRow("continue") << u"continue"_s << std::optional(iso(0)) << true;
    }
    void answers() {
        QFETCH(QString, answer);
        QFETCH(std::optional<QString>, endedAt);
        QFETCH(bool, startedAgain);
        awayAndBack(0, 25);
        // The question and its answer outlive the app.
        open();
        QVERIFY(AwayTracker::answer(*m_model, *AwayTracker::answerNamed(answer)));
        QCOMPARE(db().away, std::nullopt);
        QCOMPARE(db().entries[0].endedAt, endedAt);
        QCOMPARE(db().entries.size(), startedAgain ? 2 : 1);
        if (startedAgain) {
            const Entry again = db().entries[1];
            QCOMPARE(again.description + *again.clientId + again.startedAt,
                     u"Design reviewc1"_s + iso(25));
            QVERIFY(again.isRunning());
        }
    }

    void discardLeavesAnEarlierEndAlone() {
        awayAndBack(0, 25);
        const Entry entry = db().entries[0];
        m_model->updateTimes(entry, entry.startedAt, iso(-10));
        QVERIFY(AwayTracker::answer(*m_model, AwayTracker::Answer::Discard));
        QCOMPARE(db().entries[0].endedAt, std::optional(iso(-10)));
    }
};

QTEST_GUILESS_MAIN(AwayTrackerTest)
#include "AwayTrackerTest.moc"
