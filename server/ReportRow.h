#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// One entry of a report with the names it is shown with.
struct ReportRow {
    qint64 id = 0;
    qint64 userId = 0;
    QString userName;
    std::optional<qint64> clientId;
    std::optional<QString> clientName;
    std::optional<QString> clientColor;
    QString description;
    qint64 startedAt = 0;
    std::optional<qint64> endedAt;
    QStringList screenshots;
};

// Moved in memory as a whole when lists of rows grow.
Q_DECLARE_TYPEINFO(ReportRow, Q_RELOCATABLE_TYPE);
