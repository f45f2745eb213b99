#include "exchange/Importer.h"

#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Db.h"
#include "model/Time.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

// What makes two entries the same: start, end and description.
QString sameness(const QDateTime& start, const QDateTime& end, const QString& description) {
    return QString::number(start.toSecsSinceEpoch()) + u'|' +
           QString::number(end.toSecsSinceEpoch()) + u'|' + description.trimmed();
}

QString plural(int count, const QString& one, const QString& many) {
    return u"%1 %2"_s.arg(count).arg(count == 1 ? one : many);
}

} // namespace

QString Importer::contentId(const ImportedEntry& entry, const std::optional<QString>& client) {
    static const QUuid space(u"6f1c2b0e-5d1a-4c57-9a3e-2f8a7c1d9b40"_s);
    const QString content = sameness(entry.start, entry.end, entry.description) + u'|' +
                            client.value_or(QString()).trimmed().toLower();
    return QUuid::createUuidV5(space, content).toString(QUuid::WithoutBraces).toLower();
}

Importer::Plan Importer::plan(const Db& db, const ImportParser::Parsed& parsed,
                              const std::optional<QString>& client, const QDateTime& now) {
    Plan plan;
    plan.withoutEnd = parsed.withoutEnd;
    QSet<QString> known;
    QSet<QString> ids;
    QSet<qint64> serverIds;
    for (const Entry& e : db.entries) {
        ids.insert(e.id);
        if (e.serverId)
            serverIds.insert(*e.serverId);
        const std::optional<QDateTime> start = Time::parse(e.startedAt);
        const std::optional<QDateTime> end = Time::parse(e.endedAt);
        if (!e.deleted && start && end)
            known.insert(sameness(*start, *end, e.description));
    }
    QHash<QString, QString> clientIds; // lower-case name to id
    for (const Client& c : db.clients)
        clientIds.insert(c.name.trimmed().toLower(), c.id);

    const QString stamp = Time::iso(now);
    for (const ImportedEntry& imported : parsed.entries) {
        const std::optional<QString> clientName =
            imported.client && !imported.client->trimmed().isEmpty() ? imported.client : client;
        const QString id = contentId(imported, clientName);
        const QString same = sameness(imported.start, imported.end, imported.description);
        if (known.contains(same) || ids.contains(id) ||
            (imported.serverId && serverIds.contains(*imported.serverId))) {
            ++plan.present;
            continue;
        }
        known.insert(same);
        ids.insert(id);
        Entry e;
        e.id = id;
        e.description = imported.description.trimmed();
        e.startedAt = Time::iso(imported.start);
        e.endedAt = Time::iso(imported.end);
        e.updatedAt = stamp;
        e.syncState = Entry::pending;
        if (clientName && !clientName->trimmed().isEmpty()) {
            const QString key = clientName->trimmed().toLower();
            if (!clientIds.contains(key)) {
                const Client made = AppModel::newClient(clientName->trimmed(), std::nullopt,
                                                        db.clients.size() + plan.newClients.size());
                plan.newClients.append(made);
                clientIds.insert(key, made.id);
            }
            e.clientId = clientIds.value(key);
        }
        plan.entries.append(e);
    }
    return plan;
}

QString Importer::summary(const Plan& plan, bool dryRun) {
    QString text = (dryRun ? u"Would import "_s : u"Imported "_s) +
                   plural(int(plan.entries.size()), u"entry"_s, u"entries"_s);
    if (!plan.newClients.isEmpty())
        text +=
            u" ("_s + plural(int(plan.newClients.size()), u"new client"_s, u"new clients"_s) + u')';
    text += (dryRun ? u", skip "_s : u", skipped "_s) + QString::number(plan.present) +
            u" already present, "_s + QString::number(plan.withoutEnd) + u" without an end."_s;
    return text;
}

Importer::Outcome Importer::importFile(AppModel& model, const QString& path,
                                       std::optional<ImportParser::Format> format,
                                       const std::optional<QString>& client, bool dryRun) {
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly))
        return Outcome{path + u": "_s + file.errorString(), {}};
    const QByteArray bytes = file.readAll();
    const ImportParser::Format chosen = format.value_or(ImportParser::guess(bytes));
    const ImportParser::Parsed parsed = ImportParser::parse(
        bytes, chosen, model.store().db().settings.userName, QTimeZone::systemTimeZone());
    if (parsed.error)
        return Outcome{name + u": "_s + *parsed.error, {}};
    const Plan planned = plan(model.store().db(), parsed, client, Clock::now());
    if (!dryRun)
        model.addImported(planned.newClients, planned.entries);
    return Outcome{std::nullopt, summary(planned, dryRun)};
}
