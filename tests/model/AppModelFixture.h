#pragma once

#include "TestEnv.h"
#include "model/AppModel.h"
#include "model/Time.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace ModelTest {

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline bool isLocalId(const QString& id) {
    static const QRegularExpression uuid(
        u"^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"_s);
    return uuid.match(id).hasMatch();
}

inline const QString earlier = u"2026-01-05T08:00:00Z"_s;

inline Entry makeEntry(const QString& id, const QString& description, const QString& startedAt,
                       const std::optional<QString>& endedAt) {
    Entry e;
    e.id = id;
    e.description = description;
    e.startedAt = startedAt;
    e.endedAt = endedAt;
    e.screenshots = QList<Screenshot>{};
    e.updatedAt = earlier;
    e.syncState = Entry::synced;
    return e;
}

inline Client makeClient(const QString& id, const QString& name, bool archived = false,
                         std::optional<qint64> serverId = std::nullopt) {
    Client c;
    c.id = id;
    c.name = name;
    c.archived = archived;
    c.serverId = serverId;
    return c;
}

inline QStringList describe(const std::optional<QList<Screenshot>>& shots) {
    if (!shots)
        return {u"<absent>"_s};
    QStringList out;
    for (const Screenshot& s : *shots)
        out << (s.file ? u"file:"_s + *s.file : u"-"_s) + u' ' +
                   (s.server ? u"server:"_s + *s.server : u"-"_s);
    return out;
}

// A sync that finishes only when the test says so.
struct FakeSync {
    struct Call {
        Store* store;
        QObject* context;
        AppModel::SyncDone done;
    };
    QList<Call> calls;

    AppModel::SyncRunner runner() {
        return [this](Store& store, QObject* context, AppModel::SyncDone done) {
            calls.append({&store, context, std::move(done)});
        };
    }
};

struct Upload {
    Store* store;
    qint64 serverId;
    QString hex;
};

// A tracking model on a fresh data folder with a manual clock, counting its
// change notifications, with a sync runner and a colour uploader that only
// record their calls.
class AppModelFixture : public QObject {
protected:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<AppModel> m_model;
    FakeSync m_sync;
    QList<Upload> m_uploads;
    int m_changes = 0;

    Db& db() { return m_model->store().db(); }
    QList<Entry>& entries() { return db().entries; }
    QString now() const { return Time::iso(Clock::now()); }
    QString dbPath() const { return m_model->store().dbPath(); }
    QString shotPath(const QString& name) const {
        return m_model->store().screenshotsDir() + u'/' + name;
    }

    // Running r1, finished f1 (synced, server id 11) and a tombstone without an
    // end t1; nothing saved yet.
    void seedEntries() {
        Entry r1 = makeEntry(u"r1"_s, u"Running"_s, earlier, std::nullopt);
        Entry f1 = makeEntry(u"f1"_s, u"Finished"_s, earlier, u"2026-01-05T08:30:00Z"_s);
        f1.serverId = 11;
        f1.clientId = u"c1"_s;
        Entry t1 = makeEntry(u"t1"_s, u"Tomb"_s, earlier, std::nullopt);
        t1.serverId = 12;
        t1.deleted = true;
        entries() = {r1, f1, t1};
    }

    Entry stored(const QString& id) {
        for (const Entry& e : entries()) {
            if (e.id == id)
                return e;
        }
        qFatal("no entry %s", qPrintable(id));
    }

    // The file holds exactly the in-memory database.
    bool savedMatches() {
        const std::optional<Db> onDisk = Db::decode(readAll(dbPath()));
        return onDisk && *onDisk == db();
    }

    void setUp() {
        qunsetenv("ZEVRA_NO_SAVE");
        m_env = std::make_unique<TestEnv>();
        m_model = std::make_unique<AppModel>(m_env->dataDirectory());
        m_sync = FakeSync();
        m_uploads.clear();
        m_changes = 0;
        m_model->setOnChange([this] { ++m_changes; });
        m_model->setSyncRunner(m_sync.runner());
        m_model->setColorUploader([this](Store& store, qint64 serverId, const QString& hex) {
            m_uploads.append({&store, serverId, hex});
        });
    }

    void tearDown() {
        m_model.reset();
        m_env.reset();
    }
};

} // namespace ModelTest
