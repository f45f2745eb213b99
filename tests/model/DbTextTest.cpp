#include "model/Db.h"
#include "model/EntryTextCache.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Text with every kind of character the writer treats differently: quotes,
// backslashes, control characters, DEL, two- and three-byte characters,
// surrogate pairs and lone surrogates.
QString randomText(QRandomGenerator& random) {
    static const QList<char16_t> specials = {
        u'"',  u'\\', u'/',   u'\b',  u'\f',  u'\n',  u'\r',  u'\t',  0x01,   0x1f, 0x7f, 0xe9,
        0x7ff, 0x800, 0x20ac, 0xfffd, 0xffff, 0xd800, 0xdbff, 0xdc00, 0xdfff, u' ', u'a', u'Z'};
    QString text;
    const int length = random.bounded(12);
    for (int i = 0; i < length; ++i) {
        if (random.bounded(4) == 0) {
            text.append(QChar(char16_t(random.bounded(0x10000))));
        } else if (random.bounded(5) == 0) {
            text.append(QChar(char16_t(0xd83d)));
            text.append(QChar(char16_t(0xde00)));
        } else {
            text.append(QChar(specials[random.bounded(int(specials.size()))]));
        }
    }
    return text;
}

std::optional<QString> maybe(QRandomGenerator& random) {
    if (random.bounded(2))
        return std::nullopt;
    return randomText(random);
}

std::optional<qint64> maybeNumber(QRandomGenerator& random) {
    if (random.bounded(2))
        return std::nullopt;
    return qint64(random.generate64() >> random.bounded(1, 63)) * (random.bounded(2) ? 1 : -1);
}

Db randomDb(quint32 seed) {
    QRandomGenerator random(seed);
    Db db;
    db.settings.server = randomText(random);
    db.settings.apiKey = randomText(random);
    db.settings.userName = randomText(random);
    db.settings.userId = maybeNumber(random);
    db.settings.isAdmin = random.bounded(2);
    db.settings.lastSync = maybe(random);
    for (int i = random.bounded(4); i > 0; --i) {
        Client c;
        c.id = randomText(random);
        c.serverId = maybeNumber(random);
        c.name = randomText(random);
        c.color = randomText(random);
        c.archived = random.bounded(2);
        c.syncState = randomText(random);
        db.clients.append(c);
    }
    for (int i = random.bounded(6); i > 0; --i) {
        Entry e;
        e.id = randomText(random);
        e.serverId = maybeNumber(random);
        e.clientId = maybe(random);
        e.description = randomText(random);
        e.startedAt = randomText(random);
        e.endedAt = maybe(random);
        if (random.bounded(3)) {
            QList<Screenshot> shots;
            for (int k = random.bounded(3); k > 0; --k)
                shots.append(Screenshot{maybe(random), maybe(random)});
            e.screenshots = shots;
        }
        e.screenshotFile = maybe(random);
        e.screenshotUrl = maybe(random);
        e.screenshotPendingUpload = random.bounded(2);
        e.screenshotCleared = random.bounded(2);
        e.updatedAt = randomText(random);
        e.syncState = randomText(random);
        e.deleted = random.bounded(2);
        db.entries.append(e);
    }
    for (int i = random.bounded(3); i > 0; --i) {
        TaskSuggestion t;
        t.description = randomText(random);
        t.uses = random.bounded(1000);
        t.lastUsed = maybe(random);
        t.clientId = maybeNumber(random);
        t.clientName = maybe(random);
        t.clientColor = maybe(random);
        db.tasks.append(t);
    }
    return db;
}

} // namespace

// The database file is streamed without building a JSON tree; it must be the
// same bytes QJsonDocument writes, and the cache of entry texts must never
// serve a stale entry.
class DbTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameBytesAsQJsonDocument_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 300; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void sameBytesAsQJsonDocument() {
        QFETCH(quint32, seed);
        const Db db = randomDb(seed);
        const QByteArray expected = QJsonDocument(db.toJson()).toJson(QJsonDocument::Indented);
        QCOMPARE(db.encode(), expected);
    }

    void cachedEncodingFollowsChanges() {
        Db db = randomDb(7);
        for (int i = 0; i < 3; ++i) {
            Entry e;
            e.id = u"e"_s + QString::number(i);
            e.description = u"d"_s;
            e.startedAt = e.updatedAt = u"2026-01-05T09:00:00Z"_s;
            db.entries.append(e);
        }
        EntryTextCache cache;
        QCOMPARE(db.encode(&cache), db.encode());

        db.entries.last().description = u"changed \"text\""_s; // changed in place
        QCOMPARE(db.encode(&cache), db.encode());
        db.entries.removeFirst(); // removed
        QCOMPARE(db.encode(&cache), db.encode());
        QCOMPARE(cache.size(), db.entries.size());
        Entry twin = db.entries.last(); // same id, other position and state
        twin.deleted = !twin.deleted;
        db.entries.prepend(twin);
        db.entries.removeLast();
        QCOMPARE(db.encode(&cache), db.encode());
    }
};

QTEST_GUILESS_MAIN(DbTextTest)
#include "DbTextTest.moc"
