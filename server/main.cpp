#include "ServerRunner.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zevra-server"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    ServerRunner runner(out, err);
    return runner.run(QCoreApplication::arguments().mid(1));
}
