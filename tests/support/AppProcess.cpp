#include "AppProcess.h"

#include "model/Store.h"

#include <QProcess>
#include <QTest>

AppProcess::Run AppProcess::run(const QString& program, const QStringList& environment,
                                int timeoutMs, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : environment)
        env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs))
        qFatal("%s did not finish", qPrintable(program));
    Run r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    r.errors = QString::fromUtf8(process.readAllStandardError());
    return r;
}

void AppProcess::writeSettings(const QString& dataDirectory, const QString& server,
                               const QString& key) {
    Store store(dataDirectory);
    store.db().settings.server = server;
    store.db().settings.apiKey = key;
    store.save();
}
