#pragma once

#include <QString>
#include <QStringList>

// Runs an executable of the project as its own process with extra environment
// ("NAME=value"), keeping this process's event loop going meanwhile so that
// servers living in the test still answer.
class AppProcess {
public:
    struct Run {
        int exitCode = -1; // -1 when it crashed
        QStringList lines; // standard output, one element per non-empty line
        QString errors;    // standard error
    };

    static Run run(const QString& program, const QStringList& environment, int timeoutMs = 90000,
                   const QStringList& arguments = {});
    // Stores a server address and key in the database of a data folder.
    static void writeSettings(const QString& dataDirectory, const QString& server,
                              const QString& key);
};
