#pragma once

#include "model/Client.h"
#include "model/ClientChange.h"
#include "model/Entry.h"
#include "model/PendingShot.h"
#include "model/Store.h"
#include "model/Suggestion.h"
#include "model/SyncSummary.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

// The one object through which every screen reads and changes tracking data.
// Each change replaces a record by id, saves the whole database and calls the
// single onChange listener. Main thread only.
class AppModel : public QObject {
    Q_OBJECT
public:
    using SyncDone = std::function<void(const SyncSummary&)>;
    // Runs one sync exchange on the store and reports its summary once.
    using SyncRunner = std::function<void(Store&, QObject* context, SyncDone)>;
    // Sends a client change to the server and reports the answer once.
    using ClientUploader = std::function<void(Store&, const ClientChange&, QObject* context,
                                              std::function<void(const ClientChange::Answer&)>)>;

    explicit AppModel(std::unique_ptr<Store> store, QObject* parent = nullptr);
    explicit AppModel(const QString& dataDirectory, QObject* parent = nullptr);
    ~AppModel() override;

    // $XDG_DATA_HOME/org.zevra.tikit, or nothing without a data location.
    static std::optional<QString> defaultDataDirectory();

    Store& store() { return *m_store; }
    const Store& store() const { return *m_store; }

    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    const std::optional<SyncSummary>& lastSync() const { return m_lastSync; }
    void setLastSync(const std::optional<SyncSummary>& summary) { m_lastSync = summary; }
    QList<PendingShot>& pendingShots() { return m_pendingShots; }
    const QList<PendingShot>& pendingShots() const { return m_pendingShots; }
    bool syncing() const { return m_syncing; }

    // Readers.
    std::optional<Entry> running() const;
    // The stored entry with this id, unless it is gone or deleted.
    std::optional<Entry> entry(const QString& id) const;
    // Sorted by name; archived ones only when asked for.
    QList<Client> clients(bool withArchived = false) const;
    std::optional<Client> client(const std::optional<QString>& id) const;
    int pendingCount() const;
    QList<Suggestion> suggestions(const QString& text) const;

    // Changes of entries.
    void start(const QString& description, const std::optional<QString>& clientId);
    void stop(const Entry& entry);
    void updateDescription(const Entry& entry, const QString& description);
    void updateClient(const Entry& entry, const std::optional<QString>& clientId);
    void updateTimes(const Entry& entry, const QString& startedAt,
                     const std::optional<QString>& endedAt);
    void addScreenshot(const Entry& entry, const QByteArray& data, const QString& ext);
    void removeScreenshot(const Entry& entry, int index);
    void deleteEntry(const Entry& entry);

    // Changes of clients and settings. A change of a client the server knows
    // makes it pending and goes to the server by its own call; the sync leaves
    // the client alone until the server has answered.
    std::optional<Client> addClient(const QString& name, const std::optional<QString>& color);
    // A new pending client, coloured from the palette by how many are known.
    static Client newClient(const QString& name, const std::optional<QString>& color,
                            qsizetype known);
    // Entries and clients read from another tracker's file: one save, one
    // notification.
    void addImported(const QList<Client>& clients, const QList<Entry>& entries);
    void setClientColor(const QString& id, const QString& hex);
    // Nothing when renamed (or already so named), else why not: an empty
    // name, or one another client has without regard to case.
    std::optional<QString> renameClient(const QString& id, const QString& name);
    void setClientArchived(const QString& id, bool archived);
    void setSettings(const QString& server, const QString& apiKey);
    // Accepts only the certificate with this SHA-256 (hex) from the server
    // now set, whether or not the system trusts it.
    void trustCertificate(const QString& sha256Hex);
    // Minutes of away time worth a question (0: never), within 0 to 120.
    void setAwayAfterMinutes(int minutes);
    // Reminders and long-timer notes; values out of range are brought into it.
    void setReminderSettings(const ReminderSettings& reminders);
    // The entry whose long run was noted, so that it is noted once.
    void setLongTimerNoted(const QString& entryId);
    // The away keys of the database, saved and told like any change.
    void setAwayState(const std::optional<QString>& since,
                      const std::optional<AwayQuestion>& question);

    // Starts a background sync unless one runs or the connection is not set.
    void syncNow();

    // The server calls, handed over at start-up (Api::connect); without them
    // the model works offline and never syncs.
    void setSyncRunner(SyncRunner runner) { m_syncRunner = std::move(runner); }
    void setClientUploader(ClientUploader uploader) { m_clientUploader = std::move(uploader); }

Q_SIGNALS:
    // The server refused a client change for good; `message` says why. The
    // sync line says it too, until the next sync.
    void clientChangeRefused(const QString& message);

private:
    void replace(const Entry& changed);
    void changed();
    static void touch(Entry& entry);
    Client* findClient(const QString& id);
    // Marks `field` of the client changed, saves, notifies and sends it.
    void clientChanged(Client& client, const QString& field);
    // Sends the waiting change of every client that has none under way.
    void sendClientChanges();
    void sendClientChange(const Client& client);
    void clientAnswered(const ClientChange& change, const ClientChange::Answer& answer);

    std::unique_ptr<Store> m_store;
    std::function<void()> m_onChange;
    std::optional<SyncSummary> m_lastSync;
    QList<PendingShot> m_pendingShots;
    bool m_syncing = false;
    SyncRunner m_syncRunner;
    ClientUploader m_clientUploader;
    // Clients whose change is under way: one call per client at a time, so
    // that the server applies their changes in order.
    QSet<QString> m_clientsInFlight;
};
