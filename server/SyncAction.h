#pragma once

#include "HttpAnswer.h"
#include "ServerEntry.h"
#include "ServerUser.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QStringList>

#include <optional>

class PictureStore;
class Storage;

// "action=sync": applies a device's pending entries and new clients for the
// caller in one transaction and answers with everything the device needs to
// catch up.
class SyncAction {
public:
    SyncAction(Storage& storage, PictureStore& pictures);

    HttpAnswer handle(const ServerUser& user, const QJsonObject& body);
    // The largest request body the server takes, told to devices so that
    // they send their pending changes in batches under it.
    void setMaxBody(qint64 bytes) { m_maxBody = bytes; }

    // The most task suggestions one reply carries.
    static constexpr int taskLimit = 200;

private:
    // State of one request while it is applied.
    struct Run {
        ServerUser user;
        qint64 now = 0;
        // Clients of this request's new_clients by the sender's local id.
        QHash<QString, qint64> clientRefs;
        // Files written by this request (removed again if it fails) and files
        // of pictures it dropped (removed once it is committed).
        QStringList newFiles;
        QStringList droppedFiles;
        // Refs of the caller's entries and deletion records among the sent
        // ones, read once before the first change, and the refs this request
        // has handled since: an entry whose ref is in neither is new.
        QSet<QString> knownRefs;
        // New entries not written yet (the rows go in few statements), with
        // the places of their results, which get the ids once written.
        QList<ServerEntry> newEntries;
        QList<qsizetype> newResults;
        QJsonArray results;
    };

    // Applies the request's changes in one transaction.
    void apply(const QJsonArray& newClients, const QJsonArray& pending, Run& run);
    void applyNewClients(const QJsonArray& list, Run& run);
    QJsonObject applyPending(const QJsonValue& value, Run& run);
    // Writes the new entries held back so far, so that the database shows
    // every change of the request made until now.
    void writeNewEntries(Run& run);
    QJsonObject applyDeletion(const QString& ref, std::optional<qint64> serverId, Run& run);
    QJsonObject applyEntry(const QJsonObject& object, const QString& ref,
                           std::optional<qint64> serverId, Run& run);
    std::optional<qint64> resolveClient(const QJsonObject& object, Run& run);
    // The entry's new picture list from the sent one; problems with single
    // pictures are added to `problems`.
    // Refused uploads are named by their place in the list in `refusedAt`.
    QStringList applyScreenshots(const QStringList& existing, const QJsonArray& list, Run& run,
                                 QStringList& problems, QJsonArray& refusedAt);
    // The reply's JSON text.
    QByteArray reply(const Run& run, std::optional<qint64> since);

    Storage& m_storage;
    PictureStore& m_pictures;
    qint64 m_maxBody = 64 * 1024 * 1024;
};
