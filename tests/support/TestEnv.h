#pragma once

#include "model/ManualClock.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A sandbox for one test: fresh XDG data and config folders, a manual clock
// installed as the program's clock, and a fixed time zone. Restores the clock
// when it goes away.
class TestEnv {
public:
    explicit TestEnv(const QDateTime& now = QDateTime(QDate(2026, 1, 5), QTime(9, 30), Qt::UTC),
                     const QByteArray& timeZone = "UTC");
    ~TestEnv();

    TestEnv(const TestEnv&) = delete;
    TestEnv& operator=(const TestEnv&) = delete;

    ManualClock& clock() { return m_clock; }
    // A folder that lives as long as this object.
    QString path(const QString& name = QString()) const;
    // The data folder the application would use.
    QString dataDirectory() const;

    // Sets TZ for local-time arithmetic in this process.
    static void setTimeZone(const QByteArray& tz);

private:
    QTemporaryDir m_dir;
    ManualClock m_clock;
    QByteArray m_previousTz;
    bool m_hadTz = false;
};
