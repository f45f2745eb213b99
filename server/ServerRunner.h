#pragma once

#include "ServerCommand.h"

#include <QTextStream>

// Carries out one command of zevra-server and gives its exit status: 0 on
// success, 1 when the work failed, 2 for arguments that make no sense.
// Results go to `out`, messages for people to `err`.
class ServerRunner {
public:
    ServerRunner(QTextStream& out, QTextStream& err);

    int run(const QStringList& arguments);
    int run(const ServerCommand& command);

private:
    int createAdmin(const ServerCommand& command);
    int publish(const ServerCommand& command);
    int migrateTo(const ServerCommand& command);
    int backup(const ServerCommand& command);
    // Runs the event loop until SIGINT or SIGTERM.
    int serve(const ServerCommand& command);
    int failed(const QString& message);

    QTextStream& m_out;
    QTextStream& m_err;
};
