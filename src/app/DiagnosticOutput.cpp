#include "app/DiagnosticOutput.h"

#include "model/AppModel.h"

#include <cstdio>

void DiagnosticOutput::line(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString DiagnosticOutput::flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString DiagnosticOutput::array(const QStringList& items) {
    QStringList quoted;
    quoted.reserve(items.size());
    for (QString item : items) {
        item.replace(u'\\', QStringLiteral("\\\\"));
        item.replace(u'"', QStringLiteral("\\\""));
        quoted.append(u'"' + item + u'"');
    }
    return u'[' + quoted.join(QStringLiteral(", ")) + u']';
}

std::optional<QString> DiagnosticOutput::dataDirectory() {
    std::optional<QString> dir = AppModel::defaultDataDirectory();
    if (!dir)
        std::fprintf(stderr, "zevra-tikit: no per-user data folder is available\n");
    return dir;
}
