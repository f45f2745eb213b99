#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// One entry of a report. Names of people and clients are looked up by id when
// the report is written; a report holds many rows and few of them.
struct ReportRow {
    qint64 id = 0;
    qint64 userId = 0;
    std::optional<qint64> clientId;
    QString description;
    qint64 startedAt = 0;
    std::optional<qint64> endedAt;
    QStringList screenshots;
};

// Moved in memory as a whole when lists of rows grow.
Q_DECLARE_TYPEINFO(ReportRow, Q_RELOCATABLE_TYPE);
