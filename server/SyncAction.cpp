#include "SyncAction.h"

#include "JsonWriter.h"
#include "PictureStore.h"
#include "ServerTime.h"
#include "Storage.h"
#include "StorageError.h"
#include "model/Colors.h"

#include <QJsonDocument>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QJsonObject refused(const QString& ref, const QString& message) {
    QJsonObject o;
    o.insert("ref"_L1, ref);
    o.insert("error"_L1, message);
    return o;
}

QJsonObject deletedResult(const QString& ref, std::optional<qint64> serverId) {
    QJsonObject o;
    o.insert("ref"_L1, ref);
    if (serverId)
        o.insert("server_id"_L1, *serverId);
    o.insert("deleted"_L1, true);
    return o;
}

// A whole JSON number as an id, or nothing.
std::optional<qint64> idValue(const QJsonValue& v) {
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d != double(qint64(d)))
        return std::nullopt;
    return qint64(d);
}

} // namespace

SyncAction::SyncAction(Storage& storage, PictureStore& pictures)
    : m_storage(storage)
    , m_pictures(pictures) {}

HttpAnswer SyncAction::handle(const ServerUser& user, const QJsonObject& body) {
    const QJsonValue pending = body.value("pending"_L1);
    const QJsonValue newClients = body.value("new_clients"_L1);
    const QJsonValue sinceValue = body.value("since"_L1);
    if (!pending.isUndefined() && !pending.isNull() && !pending.isArray())
        return HttpAnswer::error(400, u"\"pending\" must be a list"_s);
    if (!newClients.isUndefined() && !newClients.isNull() && !newClients.isArray())
        return HttpAnswer::error(400, u"\"new_clients\" must be a list"_s);
    if (!sinceValue.isUndefined() && !sinceValue.isNull() && !sinceValue.isString())
        return HttpAnswer::error(400, u"\"since\" must be a date text"_s);
    // A cursor that is not an instant asks for everything, like none at all.
    const std::optional<qint64> since = ServerTime::parse(sinceValue.toString());

    Run run;
    run.user = user;
    run.now = ServerTime::now();

    // A device asking for news only changes nothing: no transaction then.
    const QJsonArray list = pending.toArray(), clients = newClients.toArray();
    if (!list.isEmpty() || !clients.isEmpty())
        apply(clients, list, run);
    m_pictures.remove(run.droppedFiles);
    HttpAnswer answer;
    answer.body = reply(run, since);
    return answer;
}

void SyncAction::apply(const QJsonArray& newClients, const QJsonArray& pending, Run& run) {
    QStringList refs;
    for (const QJsonValue& value : pending) {
        if (const QString ref = value["ref"_L1].toString(); !ref.isEmpty())
            refs.append(ref);
    }
    m_storage.begin();
    try {
        run.knownRefs = m_storage.knownRefs(run.user.id, refs);
        applyNewClients(newClients, run);
        for (const QJsonValue& value : pending)
            run.results.append(applyPending(value, run));
        writeNewEntries(run);
        // Lets tests keep a sync's transaction open while other processes
        // answer; never set in service.
        static const int holdMs = qEnvironmentVariableIntValue("ZEVRA_TEST_HOLD_SYNC_MS");
        if (holdMs > 0 && !run.results.isEmpty())
            QThread::msleep(holdMs);
        m_storage.commit();
    } catch (...) {
        m_storage.rollback();
        m_pictures.remove(run.newFiles);
        throw;
    }
}

void SyncAction::applyNewClients(const QJsonArray& list, Run& run) {
    for (const QJsonValue& value : list) {
        const QJsonObject o = value.toObject();
        const QString name = o.value("name"_L1).toString().trimmed();
        if (name.isEmpty())
            continue;
        const QString color =
            normalizeHex(o.value("color"_L1).toString()).value_or(ServerClient::defaultColor());
        const qint64 id = m_storage.clientNamed(name, color, run.user.id, run.now).id;
        const QString ref = o.value("ref"_L1).toString();
        if (!ref.isEmpty())
            run.clientRefs.insert(ref, id);
    }
}

QJsonObject SyncAction::applyPending(const QJsonValue& value, Run& run) {
    if (!value.isObject())
        return refused(QString(), u"Not an entry object"_s);
    const QJsonObject o = value.toObject();
    const QJsonValue refValue = o.value("ref"_L1);
    if (!refValue.isString() || refValue.toString().isEmpty())
        return refused(refValue.toString(), u"Missing ref"_s);
    const QString ref = refValue.toString();

    std::optional<qint64> serverId;
    const QJsonValue idField = o.value("server_id"_L1);
    if (!idField.isUndefined() && !idField.isNull()) {
        serverId = idValue(idField);
        if (!serverId)
            return refused(ref, u"Invalid server_id"_s);
    }
    if (o.value("deleted"_L1).toBool(false))
        return applyDeletion(ref, serverId, run);
    return applyEntry(o, ref, serverId, run);
}

void SyncAction::writeNewEntries(Run& run) {
    if (run.newEntries.isEmpty())
        return;
    const QList<qint64> ids = m_storage.insertEntries(run.newEntries);
    for (qsizetype i = 0; i < ids.size(); ++i) {
        QJsonObject result = run.results.at(run.newResults.at(i)).toObject();
        result.insert("server_id"_L1, ids.at(i));
        run.results.replace(run.newResults.at(i), result);
    }
    run.newEntries.clear();
    run.newResults.clear();
}

QJsonObject SyncAction::applyDeletion(const QString& ref, std::optional<qint64> serverId,
                                      Run& run) {
    writeNewEntries(run);
    run.knownRefs.insert(ref);
    std::optional<ServerEntry> target =
        serverId ? m_storage.entry(*serverId) : m_storage.entryByRef(run.user.id, ref);
    if (target && target->userId != run.user.id)
        return refused(ref, u"Entry not found"_s);
    if (target) {
        run.droppedFiles += target->screenshots;
        m_storage.deleteEntry(*target, run.now);
        return deletedResult(ref, target->id);
    }
    // Deleted before (a request sent again, or another device was first), or
    // never known here: either way the device may forget it.
    const std::optional<DeletedEntry> gone = serverId
                                                 ? m_storage.deletedEntry(run.user.id, *serverId)
                                                 : m_storage.deletedEntryByRef(run.user.id, ref);
    if (gone)
        return deletedResult(ref, gone->entryId);
    return deletedResult(ref, std::nullopt);
}

QJsonObject SyncAction::applyEntry(const QJsonObject& o, const QString& ref,
                                   std::optional<qint64> serverId, Run& run) {
    const QJsonValue description = o.value("description"_L1);
    if (!description.isString())
        return refused(ref, u"Missing description"_s);
    const std::optional<qint64> startedAt = ServerTime::parse(o.value("started_at"_L1).toString());
    if (!startedAt)
        return refused(ref, u"Missing or invalid started_at"_s);
    std::optional<qint64> endedAt;
    const QJsonValue endedField = o.value("ended_at"_L1);
    if (!endedField.isUndefined() && !endedField.isNull()) {
        endedAt = ServerTime::parse(endedField.toString());
        if (!endedAt)
            return refused(ref, u"Invalid ended_at"_s);
    }

    // An entry sent for the first time, without pictures to store: its row
    // is written later with the others of its kind.
    const QJsonValue shots = o.value("screenshots"_L1);
    const QJsonArray shotList = shots.toArray();
    if (!serverId && !run.knownRefs.contains(ref) &&
        std::none_of(shotList.begin(), shotList.end(),
                     [](const QJsonValue& s) { return s.toObject().contains("base64"_L1); })) {
        run.knownRefs.insert(ref);
        ServerEntry entry{0,
                          run.user.id,
                          ref,
                          resolveClient(o, run),
                          description.toString().trimmed(),
                          *startedAt,
                          endedAt,
                          run.now,
                          {}};
        run.newEntries.append(entry);
        run.newResults.append(run.results.size());
        QJsonObject result;
        result.insert("ref"_L1, ref);
        result.insert("screenshots"_L1, QJsonArray());
        return result;
    }
    writeNewEntries(run);
    run.knownRefs.insert(ref);

    std::optional<ServerEntry> target;
    if (serverId) {
        target = m_storage.entry(*serverId);
        // Other people's entries are neither shown nor changed, whatever id
        // is sent.
        if (target && target->userId != run.user.id)
            return refused(ref, u"Entry not found"_s);
        if (!target) {
            // Deleted meanwhile: the deletion wins over this change.
            if (const auto gone = m_storage.deletedEntry(run.user.id, *serverId))
                return deletedResult(ref, gone->entryId);
        }
    }
    if (!target) {
        // The ref the entry was first sent under: a request sent again after
        // its reply was lost finds the entry it created.
        target = m_storage.entryByRef(run.user.id, ref);
        if (!target) {
            if (const auto gone = m_storage.deletedEntryByRef(run.user.id, ref))
                return deletedResult(ref, gone->entryId);
        }
    }

    ServerEntry entry = target.value_or(ServerEntry{});
    entry.userId = run.user.id;
    if (!target)
        entry.ref = ref;
    entry.clientId = resolveClient(o, run);
    entry.description = description.toString().trimmed();
    entry.startedAt = *startedAt;
    entry.endedAt = endedAt;
    entry.updatedAt = run.now;
    if (target)
        m_storage.updateEntry(entry);
    else
        entry.id = m_storage.insertEntry(entry);

    QStringList problems;
    QJsonArray refusedAt;
    if (shots.isArray()) {
        const QStringList list =
            applyScreenshots(entry.screenshots, shots.toArray(), run, problems, refusedAt);
        if (list != entry.screenshots) {
            m_storage.setScreenshots(entry.id, list);
            entry.screenshots = list;
        }
    }

    QJsonObject result;
    result.insert("ref"_L1, ref);
    result.insert("server_id"_L1, entry.id);
    result.insert("screenshots"_L1, QJsonArray::fromStringList(entry.screenshots));
    if (!problems.isEmpty())
        result.insert("error"_L1, problems.join("; "_L1));
    if (!refusedAt.isEmpty())
        result.insert("refused"_L1, refusedAt);
    return result;
}

std::optional<qint64> SyncAction::resolveClient(const QJsonObject& o, Run& run) {
    const QJsonValue idField = o.value("client_id"_L1);
    if (!idField.isUndefined() && !idField.isNull()) {
        // Clients are never removed, so an unknown id comes from another
        // server's data: the entry is kept without a client.
        const std::optional<qint64> id = idValue(idField);
        if (id && m_storage.client(*id))
            return id;
        return std::nullopt;
    }
    const QString clientRef = o.value("client_ref"_L1).toString();
    if (clientRef.isEmpty())
        return std::nullopt;
    if (const auto it = run.clientRefs.constFind(clientRef); it != run.clientRefs.constEnd())
        return *it;
    const QString name = o.value("client_name"_L1).toString().trimmed();
    if (name.isEmpty())
        return std::nullopt;
    const qint64 id =
        m_storage.clientNamed(name, ServerClient::defaultColor(), run.user.id, run.now).id;
    run.clientRefs.insert(clientRef, id);
    return id;
}

QStringList SyncAction::applyScreenshots(const QStringList& existing, const QJsonArray& list,
                                         Run& run, QStringList& problems, QJsonArray& refusedAt) {
    QStringList kept;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject o = list.at(i).toObject();
        const auto refuse = [&](const QString& problem) {
            if (!problems.contains(problem))
                problems.append(problem);
            refusedAt.append(i);
        };
        if (o.contains("keep"_L1)) {
            // Only pictures this entry already has; any other path is ignored,
            // so nobody can attach someone else's picture by its name.
            const std::optional<QString> path = PictureStore::reduce(o.value("keep"_L1).toString());
            if (path && existing.contains(*path) && !kept.contains(*path))
                kept.append(*path);
            continue;
        }
        if (!o.contains("base64"_L1))
            continue;
        // Any picture that fits in a request is taken: the body limit is the
        // only size limit.
        const QString text = o.value("base64"_L1).toString();
        const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
            text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || decoded.decoded.isEmpty()) {
            refuse(u"A screenshot is not valid Base64"_s);
            continue;
        }
        const std::optional<QString> ext = PictureStore::detectExtension(decoded.decoded);
        if (!ext) {
            refuse(u"A screenshot is not a PNG, JPEG, GIF or WebP image"_s);
            continue;
        }
        QString error;
        const std::optional<QString> path =
            m_pictures.store(decoded.decoded, *ext, run.now, &error);
        if (!path)
            throw StorageError(u"Cannot store a screenshot: "_s + error);
        run.newFiles.append(*path);
        kept.append(*path);
    }
    for (const QString& path : existing) {
        if (!kept.contains(path))
            run.droppedFiles.append(path);
    }
    return kept;
}

QByteArray SyncAction::reply(const Run& run, std::optional<qint64> since) {
    // The device asks next for changes from server_time on. A transaction still
    // open on another connection (another thread or process) stamps its rows
    // with the instant it began, and they are not visible yet, so server_time
    // must not lie after that instant (a second earlier still, as the stamp was
    // taken just before it began).
    qint64 serverTime = run.now;
    if (const std::optional<double> age = m_storage.oldestOtherTransactionAge())
        serverTime = std::min(serverTime, qint64(std::floor(double(ServerTime::now()) - *age)) - 1);

    // Written as text straight away: a tree of JSON objects first took as long
    // as the rest of a sync.
    JsonWriter out(64 * 1024);
    out.beginObject();
    out.key("ok");
    out.rawValue("true");
    out.key("results");
    out.rawValue(QJsonDocument(run.results).toJson(QJsonDocument::Compact));
    out.key("clients");
    out.beginArray();
    for (const ServerClient& c : m_storage.clients())
        out.rawValue(QJsonDocument(c.toJson()).toJson(QJsonDocument::Compact));
    out.endArray();
    out.key("entries");
    out.beginArray();
    const Storage::Changes changes = m_storage.changesSince(run.user.id, since);
    for (const ServerEntry& e : changes.entries)
        e.write(out);
    out.endArray();
    out.key("deleted_entries");
    out.beginArray();
    for (qint64 id : changes.deleted)
        out.value(id);
    out.endArray();
    out.key("tasks");
    out.beginArray();
    // TaskSuggestion::toJson's keys, written directly: a reply carries up to
    // taskLimit of them.
    for (const TaskSuggestion& t : m_storage.tasks(run.user.id, taskLimit)) {
        out.beginObject();
        out.field("description", t.description);
        out.field("uses", t.uses);
        if (t.lastUsed)
            out.field("last_used", *t.lastUsed);
        if (t.clientId)
            out.field("client_id", *t.clientId);
        if (t.clientName)
            out.field("client_name", *t.clientName);
        if (t.clientColor)
            out.field("client_color", *t.clientColor);
        out.endObject();
    }
    out.endArray();
    out.key("user");
    out.rawValue(QJsonDocument(run.user.toSyncJson()).toJson(QJsonDocument::Compact));
    out.key("server_time");
    out.timestamp(serverTime);
    out.field("max_body", m_maxBody);
    out.endObject();
    return out.take();
}
