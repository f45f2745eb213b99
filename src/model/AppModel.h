#pragma once

#include "model/Client.h"
#include "model/Entry.h"
#include "model/PendingShot.h"
#include "model/Store.h"
#include "model/Suggestion.h"
#include "model/SyncSummary.h"

#include <QObject>

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
    // Sends a client's new colour to the server; the outcome is not reported.
    using ColorUploader = std::function<void(Store&, qint64 serverId, const QString& hex)>;

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
    QList<Client> clients() const;
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

    // Changes of clients and settings.
    std::optional<Client> addClient(const QString& name, const std::optional<QString>& color);
    void setClientColor(const QString& id, const QString& hex);
    void setSettings(const QString& server, const QString& apiKey);

    // Starts a background sync unless one runs or the connection is not set.
    void syncNow();

    // The server calls, handed over at start-up (Api::connect); without them
    // the model works offline and never syncs.
    void setSyncRunner(SyncRunner runner) { m_syncRunner = std::move(runner); }
    void setColorUploader(ColorUploader uploader) { m_colorUploader = std::move(uploader); }

private:
    void replace(const Entry& changed);
    void changed();
    static void touch(Entry& entry);

    std::unique_ptr<Store> m_store;
    std::function<void()> m_onChange;
    std::optional<SyncSummary> m_lastSync;
    QList<PendingShot> m_pendingShots;
    bool m_syncing = false;
    SyncRunner m_syncRunner;
    ColorUploader m_colorUploader;
};
