#pragma once

#include "JsonWriter.h"
#include "ReportRow.h"
#include "ServerClient.h"
#include "ServerUser.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// The JSON of a report, written as its rows come: each entry when it is
// added, the sums per person, client and local day on the way, and the head
// with the sums in front of the entries at the end.
class ReportWriter {
public:
    // `now` ends entries that are still running.
    ReportWriter(const QList<ServerUser>& users, const QList<ServerClient>& clients, qint64 now);

    void add(const ReportRow& row);
    // The whole report of the period from–to.
    QByteArray finish(qint64 from, qint64 to);

private:
    struct Bucket {
        QString name;
        qint64 seconds = 0;
    };
    // A person or client: their JSON text made once, and their sum's place
    // once they appear.
    struct Party {
        QString name;
        QByteArray json;
        qsizetype bucket = -1;
    };

    // The local calendar day of `seconds` ("YYYY-MM-DD"); instants mostly
    // come in order, so the bounds of the last day are kept.
    const QString& dayOf(qint64 seconds);
    static Party& party(QHash<qint64, Party>& parties, qint64 id, const QByteArray& json);
    static void addTo(QList<Bucket>& buckets, Party& party, qint64 seconds);
    static void writeBuckets(JsonWriter& out, QList<Bucket> buckets, bool byName);

    qint64 m_now;
    QHash<qint64, Party> m_users;
    QHash<qint64, Party> m_clients;
    Party m_noClient;
    QByteArray m_noName;

    qint64 m_total = 0;
    QList<Bucket> m_byUser, m_byClient, m_byDay;
    QHash<QString, qsizetype> m_dayIndex;
    qsizetype m_dayBucket = -1;
    qint64 m_dayStart = 0;
    qint64 m_dayEnd = 0;
    QString m_day;

    JsonWriter m_entries;
};
