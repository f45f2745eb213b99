#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// One entry read from another tracker's file, before it joins the database.
struct ImportedEntry {
    QDateTime start;
    QDateTime end;
    QString description;
    std::optional<QString> client;
    // Known to our own server already (this app's report files).
    std::optional<qint64> serverId;
};
