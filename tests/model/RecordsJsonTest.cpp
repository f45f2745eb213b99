#include "TestEnv.h"
#include "model/Db.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The database that data/db-golden.json holds.
Db goldenDb() {
    Db db;
    db.settings.server = u"https://tikit.example.test"_s;
    db.settings.apiKey = u"k-123"_s;
    db.settings.userName = u"Ada"_s;
    db.settings.userId = 5;
    db.settings.isAdmin = true;
    db.settings.lastSync = u"2026-01-05T09:00:00Z"_s;

    Client acme;
    acme.id = u"srv12"_s;
    acme.serverId = 12;
    acme.name = u"Acme"_s;
    acme.color = u"#FAAF3B"_s;
    acme.syncState = u"synced"_s;
    Client globex;
    globex.id = u"6f1c2a4e-9b7d-4e3f-8a21-0c5d7e9f1b3a"_s;
    globex.name = u"Globex Ünited"_s;
    globex.archived = true;
    globex.syncState = u"pending"_s;
    db.clients = {acme, globex};

    Entry synced;
    synced.id = u"srv301"_s;
    synced.serverId = 301;
    synced.clientId = u"srv12"_s;
    synced.description = u"Café review – draft"_s;
    synced.startedAt = u"2026-01-05T09:00:00Z"_s;
    synced.endedAt = u"2026-01-05T10:15:00Z"_s;
    synced.screenshots = QList<Screenshot>{
        {u"2026/01/3fa9c2d1e0.png"_s, std::nullopt},
        {std::nullopt, u"0b6f4c1e-2d7a-4f5e-9a61-8c3d2e1f0a9b.png"_s},
        {u"2026/01/aa00bb11cc.png"_s, u"9d2e8f0a-1b3c-4d5e-8f70-a1b2c3d4e5f6.png"_s},
    };
    synced.updatedAt = u"2026-01-05T10:15:00Z"_s;
    synced.syncState = u"synced"_s;

    Entry running;
    running.id = u"3c9b2f1e-7a4d-4c8e-9f0b-1d2e3f4a5b6c"_s;
    running.startedAt = u"2026-01-05T10:20:00Z"_s;
    running.screenshots = QList<Screenshot>{};
    running.updatedAt = u"2026-01-05T10:20:00Z"_s;

    Entry legacy;
    legacy.id = u"srv7"_s;
    legacy.serverId = 7;
    legacy.description = u"Old \"quoted\" work\\path/with slash"_s;
    legacy.startedAt = u"2025-11-03T11:00:00Z"_s;
    legacy.endedAt = u"2025-11-03T12:00:00Z"_s;
    legacy.screenshotFile = u"legacy.png"_s;
    legacy.screenshotUrl = u"https://tikit.example.test/uploads/2025/11/8c1e0a3bff.png"_s;
    legacy.screenshotPendingUpload = true;
    legacy.screenshotCleared = true;
    legacy.updatedAt = u"2026-01-04T18:00:00Z"_s;
    legacy.deleted = true;
    db.entries = {synced, running, legacy};

    TaskSuggestion weekly;
    weekly.description = u"Weekly report"_s;
    weekly.uses = 14;
    weekly.lastUsed = u"2026-01-02T08:00:00Z"_s;
    weekly.clientId = 12;
    weekly.clientName = u"Acme"_s;
    weekly.clientColor = u"#f97316"_s;
    TaskSuggestion prep;
    prep.description = u"Prep slides"_s;
    db.tasks = {weekly, prep};
    return db;
}

QByteArray goldenBytes() {
    QFile file(QStringLiteral(ZEVRA_MODEL_TEST_DATA "/db-golden.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot open the golden database %s", qPrintable(file.fileName()));
    return file.readAll();
}

QJsonObject goldenObject() {
    return QJsonDocument::fromJson(goldenBytes()).object();
}

// `node` with the value at `path` ("entries/2/deleted") removed or replaced.
QJsonValue edited(const QJsonValue& node, QStringList path,
                  const std::optional<QJsonValue>& replacement) {
    const QString head = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const int i = head.toInt();
        if (!path.isEmpty())
            array[i] = edited(array[i], path, replacement);
        else if (replacement)
            array[i] = *replacement;
        else
            array.removeAt(i);
        return array;
    }
    QJsonObject object = node.toObject();
    if (!path.isEmpty())
        object[head] = edited(object.value(head), path, replacement);
    else if (replacement)
        object[head] = *replacement;
    else
        object.remove(head);
    return object;
}

QByteArray goldenWith(const QString& path, const std::optional<QJsonValue>& replacement) {
    const QJsonValue root = edited(goldenObject(), path.split(u'/'), replacement);
    return QJsonDocument(root.toObject()).toJson(QJsonDocument::Compact);
}

// The value at `path`, or undefined when a step is missing.
QJsonValue valueAt(QJsonValue node, const QString& path) {
    for (const QString& step : path.split(u'/')) {
        if (node.isArray())
            node = node.toArray().at(step.toInt());
        else
            node = node.toObject().value(step);
    }
    return node;
}

enum class Kind { Text, Flag, Integer, Object, List };

QList<QPair<QString, QJsonValue>> wrongValues(Kind kind) {
    const QJsonValue null(QJsonValue::Null);
    switch (kind) {
    case Kind::Text:
        return {
            {u"null"_s, null}, {u"number"_s, 1}, {u"flag"_s, true}, {u"object"_s, QJsonObject()}};
    case Kind::Flag:
        return {{u"null"_s, null}, {u"text"_s, u"false"_s}, {u"number"_s, 0}};
    case Kind::Integer:
        return {{u"null"_s, null}, {u"text"_s, u"14"_s}, {u"flag"_s, true}, {u"fraction"_s, 1.5}};
    case Kind::Object:
        return {{u"null"_s, null}, {u"array"_s, QJsonArray()}, {u"text"_s, u"x"_s}};
    case Kind::List:
        return {{u"null"_s, null}, {u"object"_s, QJsonObject()}, {u"text"_s, u"x"_s}};
    }
    return {};
}

} // namespace

// The JSON form of the records: the exact file layout, round trips, and which
// keys make the whole database unreadable.
class RecordsJsonTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void encodeMatchesGoldenFile() {
        const QByteArray expected = goldenBytes();
        const QByteArray actual = goldenDb().encode();
        if (actual != expected) {
            qWarning().noquote() << "encoded database:\n" << QString::fromUtf8(actual);
            QFAIL("Db::encode() differs from data/db-golden.json");
        }
    }

    void decodeGoldenFileGivesSameRecords() {
        const std::optional<Db> db = Db::decode(goldenBytes());
        QVERIFY(db.has_value());
        QCOMPARE(db->settings, goldenDb().settings);
        QCOMPARE(db->clients, goldenDb().clients);
        QCOMPARE(db->entries, goldenDb().entries);
        QCOMPARE(db->tasks, goldenDb().tasks);
        // Reading does not migrate or otherwise touch the legacy fields.
        QCOMPARE(db->entries[2].screenshotFile, std::optional<QString>(u"legacy.png"_s));
        QVERIFY(!db->entries[2].screenshots.has_value());
        QCOMPARE(db->encode(), goldenBytes());
    }

    void decodeIgnoresLayout() {
        const QByteArray compact = QJsonDocument(goldenObject()).toJson(QJsonDocument::Compact);
        const std::optional<Db> db = Db::decode(compact);
        QVERIFY(db.has_value());
        QVERIFY(*db == goldenDb());
    }

    void absentOptionalsWriteNoKey_data() {
        QTest::addColumn<QJsonObject>("object");
        QTest::addColumn<QStringList>("keys");

        Entry entry;
        QTest::newRow("entry") << entry.toJson()
                               << QStringList{u"deleted"_s,
                                              u"description"_s,
                                              u"id"_s,
                                              u"screenshot_cleared"_s,
                                              u"screenshot_pending_upload"_s,
                                              u"started_at"_s,
                                              u"sync_state"_s,
                                              u"updated_at"_s};
        QTest::newRow("client") << Client().toJson()
                                << QStringList{u"archived"_s, u"color"_s, u"id"_s, u"name"_s,
                                               u"sync_state"_s};
        QTest::newRow("settings") << Settings().toJson()
                                  << QStringList{u"api_key"_s, u"is_admin"_s, u"server"_s,
                                                 u"user_name"_s};
        QTest::newRow("task") << TaskSuggestion().toJson()
                              << QStringList{u"description"_s, u"uses"_s};
        QTest::newRow("screenshot") << Screenshot().toJson() << QStringList{};
        QTest::newRow("db") << Db().toJson()
                            << QStringList{u"clients"_s, u"entries"_s, u"settings"_s, u"tasks"_s};
    }

    void absentOptionalsWriteNoKey() {
        QFETCH(QJsonObject, object);
        QFETCH(QStringList, keys);
        QCOMPARE(object.keys(), keys);
        const QByteArray text = QJsonDocument(object).toJson();
        QVERIFY2(!text.contains("null"), text.constData());
    }

    void defaultRecordsRoundTrip() {
        const Db empty;
        const std::optional<Db> back = Db::decode(empty.encode());
        QVERIFY(back.has_value());
        QVERIFY(*back == empty);
        QCOMPARE(back->settings.server, Settings::defaultServer);
        QCOMPARE(Client().color, u"#8b5cf6"_s);
        QCOMPARE(Client().syncState, u"synced"_s);
        QCOMPARE(Entry().syncState, u"pending"_s);
    }

    void missingOrMistypedRequiredKeyFailsWholeFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QJsonValue>("value");

        const QList<std::pair<QString, Kind>> required = {
            {u"settings"_s, Kind::Object},
            {u"clients"_s, Kind::List},
            {u"entries"_s, Kind::List},
            {u"tasks"_s, Kind::List},
            {u"settings/server"_s, Kind::Text},
            {u"settings/api_key"_s, Kind::Text},
            {u"settings/user_name"_s, Kind::Text},
            {u"settings/is_admin"_s, Kind::Flag},
            {u"clients/1/id"_s, Kind::Text},
            {u"clients/1/name"_s, Kind::Text},
            {u"clients/1/color"_s, Kind::Text},
            {u"clients/1/archived"_s, Kind::Flag},
            {u"clients/1/sync_state"_s, Kind::Text},
            {u"entries/2/id"_s, Kind::Text},
            {u"entries/2/description"_s, Kind::Text},
            {u"entries/2/started_at"_s, Kind::Text},
            {u"entries/2/screenshot_pending_upload"_s, Kind::Flag},
            {u"entries/2/screenshot_cleared"_s, Kind::Flag},
            {u"entries/2/updated_at"_s, Kind::Text},
            {u"entries/2/sync_state"_s, Kind::Text},
            {u"entries/2/deleted"_s, Kind::Flag},
            {u"tasks/1/description"_s, Kind::Text},
            {u"tasks/1/uses"_s, Kind::Integer},
        };
        for (const auto& [path, kind] : required) {
            QTest::addRow("%s missing", qPrintable(path)) << path << true << QJsonValue();
            for (const auto& [name, value] : wrongValues(kind))
                QTest::addRow("%s %s", qPrintable(path), qPrintable(name))
                    << path << false << value;
        }
        // Elements of the lists that are not records.
        QTest::newRow("client not an object") << u"clients/0"_s << false << QJsonValue(u"Acme"_s);
        QTest::newRow("entry not an object") << u"entries/1"_s << false << QJsonValue(1);
        QTest::newRow("task not an object") << u"tasks/0"_s << false << QJsonValue(QJsonArray());
        QTest::newRow("screenshot not an object")
            << u"entries/0/screenshots/1"_s << false << QJsonValue(u"x.png"_s);
        QTest::newRow("entry null") << u"entries/0"_s << false << QJsonValue(QJsonValue::Null);
    }

    void missingOrMistypedRequiredKeyFailsWholeFile() {
        QFETCH(QString, path);
        QFETCH(bool, remove);
        QFETCH(QJsonValue, value);
        const QByteArray bytes =
            goldenWith(path, remove ? std::nullopt : std::optional<QJsonValue>(value));
        QVERIFY2(!valueAt(goldenObject(), path).isUndefined(), "the golden file lacks the key");
        QVERIFY2(!Db::decode(bytes).has_value(), bytes.constData());
    }

    void optionalKeys_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<bool>("readable");

        const QJsonValue null(QJsonValue::Null);
        const QStringList optional = {
            u"settings/user_id"_s,
            u"settings/last_sync"_s,
            u"clients/0/server_id"_s,
            u"entries/0/server_id"_s,
            u"entries/0/client_id"_s,
            u"entries/0/ended_at"_s,
            u"entries/0/screenshots"_s,
            u"entries/2/screenshot_file"_s,
            u"entries/2/screenshot_url"_s,
            u"entries/0/screenshots/2/server"_s,
            u"entries/0/screenshots/2/file"_s,
            u"tasks/0/last_used"_s,
            u"tasks/0/client_id"_s,
            u"tasks/0/client_name"_s,
            u"tasks/0/client_color"_s,
        };
        for (const QString& path : optional) {
            QTest::addRow("%s absent", qPrintable(path)) << path << true << QJsonValue() << true;
            QTest::addRow("%s null", qPrintable(path)) << path << false << null << true;
        }
        const QList<std::pair<QString, QJsonValue>> mistyped = {
            {u"settings/user_id"_s, u"5"_s},
            {u"settings/last_sync"_s, 0},
            {u"clients/0/server_id"_s, u"12"_s},
            {u"entries/0/server_id"_s, true},
            {u"entries/0/client_id"_s, 12},
            {u"entries/0/ended_at"_s, false},
            {u"entries/0/screenshots"_s, u"a.png"_s},
            {u"entries/0/screenshots"_s, QJsonObject()},
            {u"entries/2/screenshot_file"_s, 1},
            {u"entries/2/screenshot_url"_s, QJsonArray()},
            {u"entries/0/screenshots/2/server"_s, 7},
            {u"entries/0/screenshots/2/file"_s, true},
            {u"tasks/0/last_used"_s, 1},
            {u"tasks/0/client_id"_s, u"12"_s},
            {u"tasks/0/client_name"_s, QJsonObject()},
            {u"tasks/0/client_color"_s, 0xf97316},
        };
        for (const auto& [path, value] : mistyped) {
            const QByteArray type = value.isString()   ? "text"
                                    : value.isDouble() ? "number"
                                    : value.isBool()   ? "flag"
                                    : value.isArray()  ? "array"
                                                       : "object";
            QTest::addRow("%s %s", qPrintable(path), type.constData())
                << path << false << value << false;
        }
    }

    // Absent or null optional keys read as absent (and are written as no key);
    // a mistyped one makes the file unreadable.
    void optionalKeys() {
        QFETCH(QString, path);
        QFETCH(bool, remove);
        QFETCH(QJsonValue, value);
        QFETCH(bool, readable);
        QVERIFY2(!valueAt(goldenObject(), path).isUndefined(), "the golden file lacks the key");
        const std::optional<Db> db =
            Db::decode(goldenWith(path, remove ? std::nullopt : std::optional<QJsonValue>(value)));
        QCOMPARE(db.has_value(), readable);
        if (!readable)
            return;
        QVERIFY2(valueAt(db->toJson(), path).isUndefined(), "an absent optional came back");
    }

    void integersMustBeWhole_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");

        QTest::newRow("uses 2.5") << u"tasks/0/uses"_s << QJsonValue(2.5);
        QTest::newRow("uses -0.5") << u"tasks/0/uses"_s << QJsonValue(-0.5);
        QTest::newRow("uses 1e300") << u"tasks/0/uses"_s << QJsonValue(1e300);
        QTest::newRow("uses 2^63") << u"tasks/0/uses"_s << QJsonValue(9223372036854775808.0);
        QTest::newRow("entry server_id 1.5") << u"entries/0/server_id"_s << QJsonValue(1.5);
        QTest::newRow("client server_id 12.25") << u"clients/0/server_id"_s << QJsonValue(12.25);
        QTest::newRow("user_id 1e19") << u"settings/user_id"_s << QJsonValue(1e19);
        QTest::newRow("task client_id 0.1") << u"tasks/0/client_id"_s << QJsonValue(0.1);
    }

    void integersMustBeWhole() {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QVERIFY(!Db::decode(goldenWith(path, value)).has_value());
    }

    void largeIntegersKeepEveryDigit() {
        QByteArray bytes = goldenBytes();
        bytes.replace("\"server_id\": 301", "\"server_id\": 9007199254740993");
        bytes.replace("\"uses\": 14", "\"uses\": -3");
        const std::optional<Db> db = Db::decode(bytes);
        QVERIFY(db.has_value());
        QCOMPARE(db->entries[0].serverId, std::optional<qint64>(9007199254740993LL));
        QCOMPARE(db->tasks[0].uses, qint64(-3));
        QVERIFY(db->encode().contains("\"server_id\": 9007199254740993"));
    }

    void notADatabase_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\x89PNG\r\n\x1a\n garbage", 17);
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("empty object") << QByteArray("{}");
        QTest::newRow("truncated") << goldenBytes().left(goldenBytes().size() / 2);
        QTest::newRow("trailing junk") << goldenBytes() + "}";
    }

    void notADatabase() {
        QFETCH(QByteArray, bytes);
        QVERIFY(!Db::decode(bytes).has_value());
    }

    void entryRunningAndDuration_data() {
        QTest::addColumn<QString>("startedAt");
        QTest::addColumn<QString>("endedAt"); // null: absent
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<bool>("running");
        QTest::addColumn<double>("duration");
        QTest::addColumn<bool>("measuredToNow");

        // The clock stands at 2026-01-05T09:30:00Z.
        QTest::newRow("running") << u"2026-01-05T09:00:00Z"_s << QString() << false << true
                                 << 1800.0 << true;
        QTest::newRow("tombstone without end")
            << u"2026-01-05T09:00:00Z"_s << QString() << true << false << 1800.0 << true;
        QTest::newRow("finished") << u"2026-01-05T09:00:00Z"_s << u"2026-01-05T10:15:00Z"_s << false
                                  << false << 4500.0 << false;
        QTest::newRow("unreadable start")
            << u"yesterday"_s << u"2026-01-05T10:15:00Z"_s << false << false << 0.0 << false;
        QTest::newRow("unreadable end measured to now")
            << u"2026-01-05T09:00:00Z"_s << u"soon"_s << false << false << 1800.0 << true;
        QTest::newRow("end before start") << u"2026-01-05T09:00:00Z"_s << u"2026-01-05T08:50:00Z"_s
                                          << false << false << -600.0 << false;
        QTest::newRow("fractions") << u"2026-01-05T09:00:00.500Z"_s << u"2026-01-05T09:00:01Z"_s
                                   << false << false << 0.5 << false;
    }

    void entryRunningAndDuration() {
        QFETCH(QString, startedAt);
        QFETCH(QString, endedAt);
        QFETCH(bool, deleted);
        QFETCH(bool, running);
        QFETCH(double, duration);
        QFETCH(bool, measuredToNow);
        TestEnv env;
        Entry e;
        e.startedAt = startedAt;
        if (!endedAt.isNull())
            e.endedAt = endedAt;
        e.deleted = deleted;
        QCOMPARE(e.isRunning(), running);
        QCOMPARE(e.duration(), duration);
        env.clock().advance(60'000);
        QCOMPARE(e.duration(), measuredToNow ? duration + 60 : duration);
    }
};

QTEST_GUILESS_MAIN(RecordsJsonTest)
#include "RecordsJsonTest.moc"
