#include "PictureStore.h"
#include "ServerHarness.h"
#include "Storage.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// Pictures travelling with the sync: upload, validation, keep and removal,
// and serving them under /uploads without a key.
class ServerPictureTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ServerHarness> m_harness;
    QString m_key;

    ServerHarness& h() { return *m_harness; }
    QString uploads() const { return m_env->path(u"server"_s) + u"/uploads/"_s; }

    QJsonObject sendEntry(const QString& ref, const QJsonArray& screenshots,
                          std::optional<qint64> serverId = std::nullopt,
                          const QString& key = QString()) {
        QJsonObject e = SyncBody::entry(ref, u"With pictures"_s, u"2026-01-05T08:00:00Z"_s,
                                        std::nullopt, screenshots);
        if (serverId)
            e.insert("server_id"_L1, *serverId);
        const HttpResult r = h().sync(key.isEmpty() ? m_key : key, SyncBody::request({e}));
        if (r.status != 200)
            qWarning("sync answered %d: %s", r.status, r.body.constData());
        return r.json.value("results"_L1).toArray().at(0).toObject();
    }

    static QStringList paths(const QJsonObject& result) {
        QStringList out;
        for (const QJsonValue& v : result.value("screenshots"_L1).toArray())
            out.append(v.toString());
        return out;
    }

    static QByteArray webp() {
        return "RIFF\x1a\x00\x00\x00WEBPVP8L\x0d\x00\x00\x00\x2f\x00\x00\x00\x10\x07\x10\x11\x11\x88\x88\xfe\x07\x00"_ba;
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_harness = std::make_unique<ServerHarness>(m_env->path(u"server"_s));
        m_key = h().addPerson(u"Ada"_s, true);
    }

    void cleanup() {
        m_harness.reset();
        m_env.reset();
    }

    void uploadStoreAndServe() {
        const QByteArray png = SyncBody::png(Qt::red);
        const QJsonObject result = sendEntry(u"e1"_s, {SyncBody::upload(png)});
        QVERIFY(!result.contains("error"_L1));
        const QStringList stored = paths(result);
        QCOMPARE(stored.size(), 1);
        // Stored under the server's current month with a random name.
        QVERIFY2(
            QRegularExpression(u"\\A2026/01/[0-9a-f]{32}\\.png\\z"_s).match(stored[0]).hasMatch(),
            qPrintable(stored[0]));
        QFile file(uploads() + stored[0]);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), png);

        // Served without a key, with its content type.
        const HttpResult served = h().get(u"/uploads/"_s + stored[0]);
        QCOMPARE(served.status, 200);
        QCOMPARE(served.body, png);
        QCOMPARE(served.header("Content-Type"), "image/png"_ba);

        // The entry lists the same path in the sync reply.
        const HttpResult reply = h().sync(m_key, SyncBody::request({}));
        const QJsonObject entry = reply.json.value("entries"_L1).toArray().at(0).toObject();
        QCOMPARE(entry.value("screenshots"_L1).toArray().at(0).toString(), stored[0]);
    }

    void keepAndRemove() {
        const QJsonObject first = sendEntry(u"e1"_s, {SyncBody::upload(SyncBody::png(Qt::red)),
                                                      SyncBody::upload(SyncBody::png(Qt::blue))});
        const qint64 id = first.value("server_id"_L1).toInteger();
        const QStringList stored = paths(first);
        QCOMPARE(stored.size(), 2);

        // The device keeps the second (under a longer URL form), drops the
        // first and adds a third.
        const QJsonObject second = sendEntry(u"e1"_s,
                                             {SyncBody::keep(u"http://host/uploads/"_s + stored[1]),
                                              SyncBody::upload(SyncBody::png(Qt::green))},
                                             id);
        const QStringList now = paths(second);
        QCOMPARE(now.size(), 2);
        QCOMPARE(now[0], stored[1]);
        QVERIFY(now[1] != stored[0] && now[1] != stored[1]);
        QVERIFY(!QFile::exists(uploads() + stored[0]));
        QVERIFY(QFile::exists(uploads() + stored[1]));
        QCOMPARE(h().get(u"/uploads/"_s + stored[0]).status, 404);
        QCOMPARE(h().storage().screenshots(id), now);

        // An empty list removes them all.
        QVERIFY(paths(sendEntry(u"e1"_s, {}, id)).isEmpty());
        QVERIFY(!QFile::exists(uploads() + now[0]));
        QVERIFY(!QFile::exists(uploads() + now[1]));
    }

    void keepOnlyOwnPictures() {
        const QString bobKey = h().addPerson(u"Bob"_s);
        const QString adaPicture =
            paths(sendEntry(u"ada"_s, {SyncBody::upload(SyncBody::png(Qt::red))})).value(0);
        QVERIFY(!adaPicture.isEmpty());
        // Bob names Ada's picture in his own entry: it is not attached.
        const QJsonObject bob =
            sendEntry(u"bob"_s, {SyncBody::keep(adaPicture)}, std::nullopt, bobKey);
        QVERIFY(paths(bob).isEmpty());
        // Nor does a second entry of Ada's take over the first one's picture.
        QVERIFY(paths(sendEntry(u"ada2"_s, {SyncBody::keep(adaPicture)})).isEmpty());
        QVERIFY(QFile::exists(uploads() + adaPicture));
        // Deleting the entry removes its picture file.
        const qint64 id = h().storage().entryByRef(h().personId(u"Ada"_s), u"ada"_s)->id;
        h().sync(m_key, SyncBody::request({SyncBody::deletion(u"ada"_s, id)}));
        QVERIFY(!QFile::exists(uploads() + adaPicture));
    }

    void validation_data() {
        QTest::addColumn<QJsonObject>("picture");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<bool>("accepted");
        const QByteArray jpeg = "\xff\xd8\xff\xe0\x00\x10JFIF\x00rest"_ba;
        QTest::newRow("png") << SyncBody::upload(SyncBody::png(Qt::red)) << u"png"_s << true;
        QTest::newRow("jpeg named png") << SyncBody::upload(jpeg, u"png"_s) << u"jpg"_s << true;
        QTest::newRow("gif") << SyncBody::upload("GIF89a\x01\x00\x01\x00rest"_ba, u"gif"_s)
                             << u"gif"_s << true;
        QTest::newRow("webp") << SyncBody::upload(webp(), u"webp"_s) << u"webp"_s << true;
        QTest::newRow("text") << SyncBody::upload("<html>not an image</html>"_ba) << QString()
                              << false;
        QTest::newRow("svg") << SyncBody::upload("<svg xmlns='http://www.w3.org/2000/svg'/>"_ba,
                                                 u"svg"_s)
                             << QString() << false;
        QJsonObject broken;
        broken.insert("base64"_L1, u"###not base64###"_s);
        broken.insert("ext"_L1, u"png"_s);
        QTest::newRow("not base64") << broken << QString() << false;
        // The body limit is the only size limit of a picture.
        QByteArray large = SyncBody::png(Qt::red);
        large.append(QByteArray(12 * 1024 * 1024, '\0'));
        QTest::newRow("12 MB") << SyncBody::upload(large) << u"png"_s << true;
    }

    void validation() {
        QFETCH(QJsonObject, picture);
        QFETCH(QString, ext);
        QFETCH(bool, accepted);
        const QJsonObject result = sendEntry(u"e"_s, {picture});
        // The entry itself is stored either way.
        QVERIFY(result.value("server_id"_L1).toInteger() > 0);
        const QStringList stored = paths(result);
        if (accepted) {
            QVERIFY(!result.contains("error"_L1));
            QCOMPARE(stored.size(), 1);
            QVERIFY(stored[0].endsWith(u'.' + ext));
            const HttpResult served = h().get(u"/uploads/"_s + stored[0]);
            QCOMPARE(served.status, 200);
            QCOMPARE(served.header("Content-Type"), PictureStore::contentType(ext));
        } else {
            QVERIFY(!result.value("error"_L1).toString().isEmpty());
            QVERIFY(stored.isEmpty());
            QVERIFY(QDir(uploads() + u"2026/01"_s).isEmpty());
        }
    }

    void servingRefusesEverythingElse_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("parent") << u"/uploads/../zevra.sqlite"_s;
        QTest::newRow("encoded parent") << u"/uploads/%2e%2e/zevra.sqlite"_s;
        QTest::newRow("encoded slash") << u"/uploads/..%2fzevra.sqlite"_s;
        QTest::newRow("absolute") << u"/uploads//etc/passwd"_s;
        QTest::newRow("listing") << u"/uploads/"_s;
        QTest::newRow("month listing") << u"/uploads/2026/01/"_s;
        QTest::newRow("other file") << u"/uploads/notes.txt"_s;
        QTest::newRow("upper-case name") << u"/uploads/2026/01/NAME"_s;
        QTest::newRow("behind a picture") << u"/uploads/2026/01/PICTURE/../../../zevra.sqlite"_s;
        QTest::newRow("missing picture")
            << u"/uploads/2026/01/0123456789abcdef0123456789abcdef.png"_s;
        QTest::newRow("releases folder") << u"/releases/"_s;
        QTest::newRow("database") << u"/zevra.sqlite"_s;
    }

    void servingRefusesEverythingElse() {
        QFETCH(QString, path);
        const QString picture =
            paths(sendEntry(u"e"_s, {SyncBody::upload(SyncBody::png(Qt::red))})).value(0);
        QFile other(uploads() + u"notes.txt"_s);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("secret");
        other.close();
        path.replace(u"NAME"_s, picture.section(u'/', 2).toUpper());
        path.replace(u"PICTURE"_s, picture.section(u'/', 2));

        const QByteArray request =
            "GET " + path.toLatin1() + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
        const QByteArray answer = h().raw(request);
        QVERIFY2(answer.startsWith("HTTP/1.1 404"), answer.left(300).constData());
        QVERIFY(!answer.contains("secret"));
        QVERIFY(!answer.contains("SQLite"));
        QVERIFY(answer.contains("\"error\""));
    }

    void failedSyncLeavesNothingBehind() {
        // A file where the month's folder belongs makes storing fail midway.
        QDir().mkpath(uploads() + u"2026"_s);
        QFile blocker(uploads() + u"2026/01"_s);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        const QJsonArray pending = {
            SyncBody::entry(u"first"_s, u"Before"_s, u"2026-01-05T08:00:00Z"_s),
            SyncBody::entry(u"second"_s, u"With picture"_s, u"2026-01-05T08:00:00Z"_s, std::nullopt,
                            {SyncBody::upload(SyncBody::png(Qt::red))})};
        QJsonObject client;
        client.insert("ref"_L1, u"c"_s);
        client.insert("name"_L1, u"Acme"_s);
        client.insert("color"_L1, u"#123456"_s);
        const HttpResult r = h().sync(m_key, SyncBody::request(pending, {client}));
        QCOMPARE(r.status, 500);
        QVERIFY(!r.error().isEmpty());
        QVERIFY(!h().storage().entryByRef(h().personId(u"Ada"_s), u"first"_s));
        QVERIFY(h().storage().clients().isEmpty());

        // Once the blocker is gone the same request goes through.
        QVERIFY(QFile::remove(uploads() + u"2026/01"_s));
        const HttpResult retry = h().sync(m_key, SyncBody::request(pending, {client}));
        QCOMPARE(retry.status, 200);
        QCOMPARE(retry.json.value("entries"_L1).toArray().size(), 2);
    }
};

QTEST_MAIN(ServerPictureTest)
#include "ServerPictureTest.moc"
