#include "model/AppModel.h"

#include "model/Clock.h"
#include "model/Suggestions.h"
#include "model/Text.h"
#include "model/Theme.h"
#include "model/Time.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString newLocalId() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

} // namespace

AppModel::AppModel(std::unique_ptr<Store> store, QObject* parent)
    : QObject(parent)
    , m_store(std::move(store)) {}

AppModel::AppModel(const QString& dataDirectory, QObject* parent)
    : AppModel(std::make_unique<Store>(dataDirectory), parent) {}

AppModel::~AppModel() = default;

std::optional<QString> AppModel::defaultDataDirectory() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return std::nullopt;
    return base + QStringLiteral("/org.zevra.tikit");
}

std::optional<Entry> AppModel::running() const {
    for (const Entry& e : m_store->db().entries) {
        if (e.isRunning())
            return e;
    }
    return std::nullopt;
}

std::optional<Entry> AppModel::entry(const QString& id) const {
    for (const Entry& e : m_store->db().entries) {
        if (e.id == id)
            return e.deleted ? std::nullopt : std::optional(e);
    }
    return std::nullopt;
}

QList<Client> AppModel::clients(bool withArchived) const {
    QList<Client> list;
    for (const Client& c : m_store->db().clients) {
        if (withArchived || !c.archived)
            list.append(c);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(list.begin(), list.end(), [&collator](const Client& a, const Client& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return list;
}

std::optional<Client> AppModel::client(const std::optional<QString>& id) const {
    if (!id)
        return std::nullopt;
    for (const Client& c : m_store->db().clients) {
        if (c.id == *id)
            return c;
    }
    return std::nullopt;
}

int AppModel::pendingCount() const {
    return m_store->db().pendingCount();
}

QList<Suggestion> AppModel::suggestions(const QString& text) const {
    return Suggestions::forText(m_store->db(), text);
}

void AppModel::touch(Entry& entry) {
    entry.syncState = Entry::pending;
    entry.updatedAt = Time::iso(Clock::now());
}

void AppModel::setAwayAfterMinutes(int minutes) {
    m_store->db().settings.awayAfterMinutes = qBound(0, minutes, Settings::maxAwayAfterMinutes);
    changed();
}

void AppModel::setReminderSettings(const ReminderSettings& reminders) {
    const ReminderSettings kept = reminders.bounded();
    if (kept == m_store->db().settings.reminders)
        return;
    m_store->db().settings.reminders = kept;
    changed();
}

void AppModel::setLongTimerNoted(const QString& entryId) {
    if (m_store->db().longTimerNoted == entryId)
        return;
    m_store->db().longTimerNoted = entryId;
    changed();
}

void AppModel::setAwayState(const std::optional<QString>& since,
                            const std::optional<AwayQuestion>& question) {
    Db& db = m_store->db();
    if (db.awaySince == since && db.away == question)
        return;
    db.awaySince = since;
    db.away = question;
    changed();
}

void AppModel::changed() {
    m_store->save();
    if (m_onChange)
        m_onChange();
}

void AppModel::replace(const Entry& changedEntry) {
    QList<Entry>& entries = m_store->db().entries;
    for (Entry& e : entries) {
        if (e.id == changedEntry.id) {
            e = changedEntry;
            break;
        }
    }
    changed();
}

void AppModel::start(const QString& description, const std::optional<QString>& clientId) {
    const QString now = Time::iso(Clock::now());
    QList<Entry>& entries = m_store->db().entries;
    for (Entry& e : entries) {
        if (e.isRunning()) {
            e.endedAt = now;
            e.syncState = Entry::pending;
            e.updatedAt = now;
        }
    }

    Entry entry;
    entry.id = newLocalId();
    entry.clientId = clientId;
    entry.description = description.trimmed();
    entry.startedAt = now;
    entry.updatedAt = now;
    entry.syncState = Entry::pending;

    if (!m_pendingShots.isEmpty()) {
        QList<Screenshot> shots;
        for (const PendingShot& shot : std::as_const(m_pendingShots)) {
            if (std::optional<QString> name = m_store->writeScreenshot(shot.data, shot.ext))
                shots.append(Screenshot{std::nullopt, *name});
        }
        entry.screenshots = shots;
        m_pendingShots.clear();
    }

    entries.append(entry);
    changed();
}

void AppModel::stop(const Entry& entry) {
    Entry e = entry;
    e.endedAt = Time::iso(Clock::now());
    touch(e);
    replace(e);
}

void AppModel::updateDescription(const Entry& entry, const QString& description) {
    Entry e = entry;
    e.description = description.trimmed();
    touch(e);
    replace(e);
}

void AppModel::updateClient(const Entry& entry, const std::optional<QString>& clientId) {
    Entry e = entry;
    e.clientId = clientId;
    touch(e);
    replace(e);
}

void AppModel::updateTimes(const Entry& entry, const QString& startedAt,
                           const std::optional<QString>& endedAt) {
    Entry e = entry;
    e.startedAt = startedAt;
    e.endedAt = endedAt;
    touch(e);
    replace(e);
}

void AppModel::addScreenshot(const Entry& entry, const QByteArray& data, const QString& ext) {
    const std::optional<QString> name = m_store->writeScreenshot(data, ext);
    if (!name)
        return;
    Entry e = entry;
    for (const Entry& stored : std::as_const(m_store->db().entries)) {
        if (stored.id == entry.id) {
            e = stored;
            break;
        }
    }
    QList<Screenshot> shots = e.screenshots.value_or(QList<Screenshot>());
    shots.append(Screenshot{std::nullopt, *name});
    e.screenshots = shots;
    touch(e);
    replace(e);
}

void AppModel::removeScreenshot(const Entry& entry, int index) {
    const QList<Entry>& entries = m_store->db().entries;
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&entry](const Entry& e) { return e.id == entry.id; });
    if (it == entries.end())
        return;
    Entry e = *it;
    QList<Screenshot> shots = e.screenshots.value_or(QList<Screenshot>());
    if (index < 0 || index >= shots.size())
        return;
    const Screenshot removed = shots.takeAt(index);
    if (removed.file) {
        if (const std::optional<QString> path = m_store->screenshotPath(*removed.file))
            QFile::remove(*path);
    }
    e.screenshots = shots;
    touch(e);
    replace(e);
}

void AppModel::deleteEntry(const Entry& entry) {
    if (entry.serverId) {
        Entry e = entry;
        e.deleted = true;
        touch(e);
        replace(e);
        return;
    }
    QList<Entry>& entries = m_store->db().entries;
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&entry](const Entry& e) { return e.id == entry.id; });
    if (it == entries.end())
        return;
    entries.erase(it);
    changed();
}

Client* AppModel::findClient(const QString& id) {
    for (Client& c : m_store->db().clients) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

void AppModel::clientChanged(Client& client, const QString& field) {
    client.syncState = Entry::pending;
    if (!client.changed.contains(field))
        client.changed.append(field);
    const Client copy = client;
    changed();
    sendClientChange(copy);
}

std::optional<Client> AppModel::addClient(const QString& name,
                                          const std::optional<QString>& color) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QString lowered = trimmed.toLower();
    QList<Client>& clients = m_store->db().clients;
    for (Client& c : clients) {
        if (c.name.toLower() == lowered) {
            // Only administrators bring an archived client back for everyone;
            // anybody else just uses it.
            if (c.archived && (m_store->db().settings.isAdmin || !c.serverId)) {
                c.archived = false;
                clientChanged(c, Client::archivedField);
            }
            return c;
        }
    }
    const Client client = newClient(trimmed, color, clients.size());
    clients.append(client);
    changed();
    return client;
}

Client AppModel::newClient(const QString& name, const std::optional<QString>& color,
                           qsizetype known) {
    Client client;
    client.id = newLocalId();
    client.name = name;
    const QStringList& palette = Theme::clientPalette();
    client.color = color.value_or(palette[known % palette.size()]);
    client.syncState = Entry::pending;
    return client;
}

void AppModel::addImported(const QList<Client>& clients, const QList<Entry>& entries) {
    if (clients.isEmpty() && entries.isEmpty())
        return;
    m_store->db().clients.append(clients);
    m_store->db().entries.append(entries);
    changed();
}

void AppModel::setClientColor(const QString& id, const QString& hex) {
    if (Client* client = findClient(id); client && client->color != hex) {
        client->color = hex;
        clientChanged(*client, Client::colorField);
    }
}

std::optional<QString> AppModel::renameClient(const QString& id, const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return u"Please enter a name."_s;
    for (const Client& other : std::as_const(m_store->db().clients)) {
        if (other.id != id && other.name.compare(trimmed, Qt::CaseInsensitive) == 0)
            return u"A client named \"%1\" already exists"_s.arg(other.name);
    }
    if (Client* client = findClient(id); client && client->name != trimmed) {
        client->name = trimmed;
        clientChanged(*client, Client::nameField);
    }
    return std::nullopt;
}

void AppModel::setClientArchived(const QString& id, bool archived) {
    if (Client* client = findClient(id); client && client->archived != archived) {
        client->archived = archived;
        clientChanged(*client, Client::archivedField);
    }
}

void AppModel::sendClientChanges() {
    const QList<Client> clients = m_store->db().clients;
    for (const Client& client : clients)
        sendClientChange(client);
}

void AppModel::sendClientChange(const Client& client) {
    const std::optional<ClientChange> change = ClientChange::of(client);
    if (!change || !m_clientUploader || m_clientsInFlight.contains(client.id))
        return;
    m_clientsInFlight.insert(client.id);
    QPointer<AppModel> self(this);
    m_clientUploader(*m_store, *change, this,
                     [self, change = *change](const ClientChange::Answer& answer) {
                         if (self)
                             self->clientAnswered(change, answer);
                     });
}

void AppModel::clientAnswered(const ClientChange& change, const ClientChange::Answer& answer) {
    m_clientsInFlight.remove(change.sent.id);
    if (answer.kind == ClientChange::Kind::Failed)
        return; // sent again after the next sync
    change.settle(m_store->db().clients);
    if (answer.kind == ClientChange::Kind::Refused) {
        SyncSummary line = m_lastSync.value_or(SyncSummary{true, std::nullopt, 0, std::nullopt});
        line.error = answer.message;
        m_lastSync = line;
    }
    changed();
    if (answer.kind == ClientChange::Kind::Refused)
        Q_EMIT clientChangeRefused(answer.message);
    // What was changed again meanwhile goes now.
    if (Client* client = findClient(change.sent.id))
        sendClientChange(*client);
}

void AppModel::setSettings(const QString& server, const QString& apiKey) {
    Settings& settings = m_store->db().settings;
    const QString normalized = Text::serverBase(server);
    if (normalized != settings.server || apiKey != settings.apiKey)
        settings.lastSync.reset();
    // A certificate is trusted for one server only.
    if (normalized != settings.server)
        settings.trustedCertificate.reset();
    settings.server = normalized;
    settings.apiKey = apiKey.trimmed();
    changed();
}

void AppModel::trustCertificate(const QString& sha256Hex) {
    m_store->db().settings.trustedCertificate = sha256Hex;
    changed();
}

void AppModel::syncNow() {
    if (m_syncing)
        return;
    const Settings& settings = m_store->db().settings;
    if (settings.server.isEmpty() || settings.apiKey.isEmpty())
        return;
    if (!m_syncRunner)
        return;
    m_syncing = true;
    QPointer<AppModel> self(this);
    m_syncRunner(*m_store, this, [self](const SyncSummary& summary) {
        if (!self)
            return;
        self->m_lastSync = summary;
        self->m_syncing = false;
        if (self->m_onChange)
            self->m_onChange();
        // Client changes that found no server last time, and those of clients
        // the server has just given an id, go now.
        self->sendClientChanges();
    });
}
