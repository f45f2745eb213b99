#include "TestEnv.h"
#include "model/ClockTimer.h"

#include <QTest>

// ClockTimer measured on the manual clock: fires when due, never early, and
// sees the due instant as "now".
class ClockTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    QList<QDateTime> m_fired;

    qint64 elapsed(const QDateTime& t) const {
        return QDateTime(QDate(2026, 1, 5), QTime(9, 30), Qt::UTC).msecsTo(t);
    }

    void record(ClockTimer& timer) {
        connect(&timer, &ClockTimer::timeout, this, [this] { m_fired.append(Clock::now()); });
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_fired.clear();
    }

    void cleanup() { m_env.reset(); }

    void nowComesFromTheInstalledClock() {
        QCOMPARE(Clock::now(), QDateTime(QDate(2026, 1, 5), QTime(9, 30), Qt::UTC));
        m_env->clock().advance(1500);
        QCOMPARE(elapsed(Clock::now()), 1500);
        m_env->clock().setNow(QDateTime(QDate(2026, 2, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(Clock::now().date(), QDate(2026, 2, 1));
        m_env.reset();
        const qint64 drift = QDateTime::currentDateTimeUtc().msecsTo(Clock::now());
        QVERIFY2(qAbs(drift) < 60'000, "the system clock was not restored");
    }

    void firesExactlyWhenDue() {
        ClockTimer timer;
        record(timer);
        timer.start(1000);
        QVERIFY(timer.isActive());
        m_env->clock().advance(999);
        QVERIFY(m_fired.isEmpty());
        m_env->clock().advance(1);
        QCOMPARE(m_fired.size(), 1);
        QCOMPARE(elapsed(m_fired[0]), 1000);
        QVERIFY(!timer.isActive());
        m_env->clock().advance(10'000);
        QCOMPARE(m_fired.size(), 1);
    }

    void firesAtItsDueTimeWithinALongerStep() {
        ClockTimer timer;
        record(timer);
        timer.start(250);
        m_env->clock().advance(5000);
        QCOMPARE(m_fired.size(), 1);
        QCOMPARE(elapsed(m_fired[0]), 250);
        QCOMPARE(elapsed(Clock::now()), 5000);
    }

    void startRestarts() {
        ClockTimer timer;
        record(timer);
        timer.start(1000);
        m_env->clock().advance(600);
        timer.start(1000);
        m_env->clock().advance(600);
        QVERIFY(m_fired.isEmpty());
        m_env->clock().advance(399);
        QVERIFY(m_fired.isEmpty());
        m_env->clock().advance(1);
        QCOMPARE(m_fired.size(), 1);
        QCOMPARE(elapsed(m_fired[0]), 1600);
    }

    void stopCancels() {
        ClockTimer timer;
        record(timer);
        timer.start(100);
        timer.stop();
        QVERIFY(!timer.isActive());
        m_env->clock().advance(1000);
        QVERIFY(m_fired.isEmpty());
    }

    void restartFromTimeoutRepeats() {
        ClockTimer timer;
        connect(&timer, &ClockTimer::timeout, this, [this, &timer] {
            m_fired.append(Clock::now());
            timer.start(1000);
        });
        timer.start(1000);
        m_env->clock().advance(3500);
        QCOMPARE(m_fired.size(), 3);
        QCOMPARE(elapsed(m_fired[0]), 1000);
        QCOMPARE(elapsed(m_fired[1]), 2000);
        QCOMPARE(elapsed(m_fired[2]), 3000);
        QVERIFY(timer.isActive());
    }

    void severalTimersFireInDueOrder() {
        ClockTimer slow, fast, same;
        QStringList order;
        connect(&slow, &ClockTimer::timeout, this, [&] { order << QStringLiteral("slow"); });
        connect(&fast, &ClockTimer::timeout, this, [&] { order << QStringLiteral("fast"); });
        connect(&same, &ClockTimer::timeout, this, [&] { order << QStringLiteral("same"); });
        slow.start(300);
        fast.start(100);
        same.start(300);
        m_env->clock().advance(1000);
        QCOMPARE(order, (QStringList{QStringLiteral("fast"), QStringLiteral("slow"),
                                     QStringLiteral("same")}));
    }

    void destroyedTimerNeverFires() {
        {
            auto timer = std::make_unique<ClockTimer>();
            record(*timer);
            timer->start(100);
        }
        m_env->clock().advance(1000);
        QVERIFY(m_fired.isEmpty());
    }

    void timerStoppedByAnotherTimer() {
        ClockTimer first, second;
        record(second);
        connect(&first, &ClockTimer::timeout, this, [&second] { second.stop(); });
        first.start(100);
        second.start(200);
        m_env->clock().advance(1000);
        QVERIFY(m_fired.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ClockTest)
#include "ClockTest.moc"
