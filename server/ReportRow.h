#pragma once

#include <QByteArrayList>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

// One entry of a report as it is read from the database. Names of people and
// clients are looked up by id when the report is written; a report holds many
// rows and few of them. Texts are UTF-8; the description stays valid only
// while the row is being visited.
struct ReportRow {
    qint64 id = 0;
    qint64 userId = 0;
    std::optional<qint64> clientId;
    QByteArrayView description;
    qint64 startedAt = 0;
    std::optional<qint64> endedAt;
    QByteArrayList screenshots;
};
