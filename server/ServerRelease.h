#pragma once

#include <QString>

#include <optional>

// A published release of the desktop application.
struct ServerRelease {
    QString version;
    // File name of the archive inside releases/<version>/.
    QString fileName;
    std::optional<QString> notes;
    qint64 pubDate = 0;
};
