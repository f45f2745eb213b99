#include "TestEnv.h"

#include "api/HttpCall.h"

#include <QDir>
#include <QTest>

#include <ctime>

TestEnv::TestEnv(const QDateTime& now, const QByteArray& timeZone)
    : m_clock(now)
    , m_previousTz(qgetenv("TZ"))
    , m_hadTz(qEnvironmentVariableIsSet("TZ")) {
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/config")));
    setTimeZone(timeZone);
    Clock::install(&m_clock);
}

TestEnv::~TestEnv() {
    // No request outlives its test: one still under way when the process ends
    // leaves Qt's network thread with objects it never frees.
    if (!QTest::qWaitFor([] { return HttpCall::inFlight() == 0; }, 30000))
        qWarning("requests still under way after the test");
    Clock::install(nullptr);
    if (m_hadTz)
        setTimeZone(m_previousTz);
    else
        setTimeZone(QByteArray());
}

QString TestEnv::path(const QString& name) const {
    if (name.isEmpty())
        return m_dir.path();
    const QString p = m_dir.path() + u'/' + name;
    QDir().mkpath(p);
    return p;
}

QString TestEnv::dataDirectory() const {
    return m_dir.path() + QStringLiteral("/data/org.zevra.tikit");
}

void TestEnv::setTimeZone(const QByteArray& tz) {
    if (tz.isEmpty())
        qunsetenv("TZ");
    else
        qputenv("TZ", tz);
    tzset();
}
