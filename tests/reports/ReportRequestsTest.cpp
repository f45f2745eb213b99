#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "api/Api.h"
#include "model/Store.h"
#include "reports/Report.h"

#include <QBuffer>
#include <QTest>

using namespace Qt::StringLiterals;

using QueryItems = QList<QPair<QString, QString>>;

// The report request and the screenshot downloads against a scripted server.
class ReportRequestsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<QObject> m_context;

    // Local midnight in Berlin on 5 and 6 January 2026.
    const QDateTime m_from = QDateTime(QDate(2026, 1, 4), QTime(23, 0), Qt::UTC);
    const QDateTime m_to = QDateTime(QDate(2026, 1, 5), QTime(23, 0), Qt::UTC);

    static QByteArray reportBody() {
        return jsonText("{'from':'2026-01-05','to':'2026-01-06','total':60,"
                        "'grouped':{'user':[],'client':[],'day':[]},"
                        "'entries':[{'id':1,'description':'d','started_at':'2026-01-05T09:00:00Z',"
                        "'duration':60}]}");
    }

    void configure(const QString& server, const QString& key) {
        m_store->db().settings.server = server;
        m_store->db().settings.apiKey = key;
    }

    ApiResult<Report> fetch(const QList<qint64>& users = {}, const QList<qint64>& clients = {}) {
        std::optional<ApiResult<Report>> result;
        bool synchronous = true;
        Api::fetchReport(*m_store, m_from, m_to, users, clients, m_context.get(),
                         [&](const ApiResult<Report>& r) {
                             QVERIFY(!synchronous);
                             result = r;
                         });
        synchronous = false;
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 70000))
            qFatal("fetchReport never completed");
        return *result;
    }

    QHash<qint64, QList<QImage>> download(const QString& base, const QList<ReportEntry>& entries,
                                          int max) {
        std::optional<QHash<qint64, QList<QImage>>> result;
        bool synchronous = true;
        Api::downloadScreenshots(base, entries, max, m_context.get(),
                                 [&](const QHash<qint64, QList<QImage>>& images) {
                                     QVERIFY(!synchronous);
                                     result = images;
                                 });
        synchronous = false;
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 30000))
            qFatal("downloadScreenshots never completed");
        return *result;
    }

    static QByteArray png(const QSize& size, const QColor& color) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

    static ReportEntry shotEntry(qint64 id, const QStringList& shots) {
        ReportEntry e;
        e.id = id;
        e.startedAt = u"2026-01-05T09:00:00Z"_s;
        e.screenshots = shots;
        return e;
    }

    QStringList requestedPaths() const {
        QStringList paths;
        for (const RecordedRequest& r : m_server->requests())
            paths.append(r.path);
        return paths;
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>(QDateTime(QDate(2026, 1, 5), QTime(12, 0), Qt::UTC),
                                          "Europe/Berlin");
        m_server = std::make_unique<FakeHttpServer>();
        m_store = std::make_unique<Store>(m_env->dataDirectory());
        m_context = std::make_unique<QObject>();
        configure(m_server->baseUrl() + u"//"_s, u" key-9\n"_s);
    }

    void cleanup() {
        m_context.reset();
        m_store.reset();
        m_server.reset();
        m_env.reset();
    }

    void queryItems_data() {
        QTest::addColumn<QList<qint64>>("users");
        QTest::addColumn<QList<qint64>>("clients");
        QTest::addColumn<QueryItems>("extra");
        QTest::newRow("no filters") << QList<qint64>{} << QList<qint64>{} << QueryItems{};
        QTest::newRow("one client, no comma")
            << QList<qint64>{} << QList<qint64>{7} << QueryItems{{u"client_ids"_s, u"7"_s}};
        QTest::newRow("people only")
            << QList<qint64>{3, 4} << QList<qint64>{} << QueryItems{{u"user_ids"_s, u"3,4"_s}};
        QTest::newRow("people before clients")
            << QList<qint64>{15, 3} << QList<qint64>{9, 10, 2}
            << QueryItems{{u"user_ids"_s, u"15,3"_s}, {u"client_ids"_s, u"9,10,2"_s}};
    }

    void queryItems() {
        QFETCH(QList<qint64>, users);
        QFETCH(QList<qint64>, clients);
        QFETCH(QueryItems, extra);
        m_server->enqueue(ScriptedReply::json(200, reportBody()));
        const ApiResult<Report> result = fetch(users, clients);
        QVERIFY(result.ok());
        QCOMPARE(result.value().entries.size(), 1);

        QCOMPARE(m_server->requests().size(), 1);
        const RecordedRequest& r = m_server->requests().first();
        QCOMPARE(r.method, QByteArray("GET"));
        QCOMPARE(r.path, u"/api.php"_s);
        const QueryItems expected = QueryItems{{u"action"_s, u"reports"_s},
                                               {u"from"_s, u"2026-01-04T23:00:00Z"_s},
                                               {u"to"_s, u"2026-01-05T23:00:00Z"_s}} +
                                    extra;
        QCOMPARE(r.query.queryItems(QUrl::FullyDecoded), expected);
        QCOMPARE(r.header("x-api-key"), QByteArray("key-9"));
        QVERIFY(!r.hasHeader("content-type"));
        QVERIFY(r.body.isEmpty());
    }

    void replies_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message"); // empty: success

        QTest::newRow("404 page in HTML")
            << 404 << QByteArray("<html><body>Not found</body></html>")
            << u"Server said HTTP 404"_s;
        QTest::newRow("500 with an error text")
            << 500 << jsonText("{'error':'Database is down'}") << u"Database is down"_s;
        QTest::newRow("502 without a body") << 502 << QByteArray() << u"Server said HTTP 502"_s;
        QTest::newRow("401 whose error is no text")
            << 401 << jsonText("{'error':42}") << u"Server said HTTP 401"_s;
        QTest::newRow("403 with a null error")
            << 403 << jsonText("{'error':null}") << u"Server said HTTP 403"_s;
        QTest::newRow("200 that is not JSON")
            << 200 << QByteArray("<html>ok</html>") << u"Malformed response"_s;
        QTest::newRow("200 without grouped")
            << 200 << jsonText("{'from':'a','to':'b','total':0,'entries':[]}")
            << u"Malformed response"_s;
        QTest::newRow("200 without the day list")
            << 200
            << jsonText("{'from':'a','to':'b','total':0,'entries':[],"
                        "'grouped':{'user':[],'client':[]}}")
            << u"Malformed response"_s;
        QTest::newRow("200 with an error text is still decoded")
            << 200 << jsonText("{'error':'nope'}") << u"Malformed response"_s;
        QTest::newRow("399 counts as success") << 399 << reportBody() << QString();
    }

    void replies() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        m_server->enqueue(ScriptedReply::json(status, body));
        const ApiResult<Report> result = fetch();
        if (message.isEmpty()) {
            QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().message));
            QCOMPARE(result.value().total, 60);
        } else {
            QVERIFY(!result.ok());
            QCOMPARE(result.error().message, message);
        }
    }

    // A redirect is not a failure: the report is read where it leads.
    void redirectIsFollowed() {
        ScriptedReply moved = ScriptedReply::json(302, QByteArray());
        moved.extraHeaders = {{"Location", "/moved/api.php?action=reports"}};
        m_server->enqueue(moved);
        m_server->enqueue(ScriptedReply::json(200, reportBody()));
        const ApiResult<Report> result = fetch();
        QVERIFY(result.ok());
        QCOMPARE(m_server->requests().size(), 2);
        QCOMPARE(m_server->requests()[1].path, u"/moved/api.php"_s);
    }

    void failuresBeforeSending_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        QTest::newRow("no server") << u"  "_s << u"key"_s << u"Not configured"_s;
        QTest::newRow("only slashes") << u"///"_s << u"key"_s << u"Not configured"_s;
        QTest::newRow("blank key") << u"http://127.0.0.1:1"_s << u" \t\n"_s << u"Not configured"_s;
        QTest::newRow("not an address")
            << u"http://bad host"_s << u"key"_s << u"Invalid server address"_s;
    }

    void failuresBeforeSending() {
        QFETCH(QString, server);
        QFETCH(QString, key);
        QFETCH(QString, message);
        configure(server, key);
        const ApiResult<Report> result = fetch();
        QVERIFY(!result.ok());
        QCOMPARE(result.error().message, message);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void transportFailure() {
        configure(u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort()), u"k"_s);
        const ApiResult<Report> result = fetch();
        QVERIFY(!result.ok());
        QCOMPARE(result.error().message, u"Connection refused"_s);
    }

    void abandonedWithItsOwner() {
        m_server->enqueue(ScriptedReply::stalled());
        bool called = false;
        Api::fetchReport(*m_store, m_from, m_to, {}, {}, m_context.get(),
                         [&](const ApiResult<Report>&) { called = true; });
        QVERIFY(m_server->waitForRequests(1));
        m_context.reset();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QVERIFY(!called);
    }

    void screenshots() {
        m_server->setHandler([](const RecordedRequest& r) {
            if (r.path == u"/uploads/a.png"_s || r.path == u"/abs.png"_s)
                return ScriptedReply{200, png({2, 1}, Qt::red), "image/png", {}, false};
            if (r.path == u"/uploads/b.png"_s)
                return ScriptedReply{200, png({3, 1}, Qt::blue), "image/png", {}, false};
            if (r.path.startsWith(u"/text"_s))
                return ScriptedReply{200, "not an image", "image/png", {}, false};
            if (r.path.startsWith(u"/n/"_s))
                return ScriptedReply{200, png({1, 1}, Qt::green), "image/png", {}, false};
            return ScriptedReply{404, png({4, 1}, Qt::black), "image/png", {}, false};
        });
        const QString base = m_server->baseUrl();
        QStringList nine;
        for (int i = 1; i <= 9; ++i)
            nine.append(u"n/"_s + QString::number(i) + u".png"_s);
        const QList<ReportEntry> entries{
            shotEntry(1,
                      {u"/uploads/a.png"_s, u"missing.png"_s, u"uploads/b.png"_s, u"text.png"_s}),
            shotEntry(2, nine),
            shotEntry(3, {u"missing3.png"_s, u"text3.png"_s}),
            shotEntry(4, {}),
            ReportEntry{},
            shotEntry(6, {base + u"/abs.png"_s}),
        };

        const QHash<qint64, QList<QImage>> images = download(u" "_s + base + u"/ \n"_s, entries, 6);
        QCOMPARE(QSet<qint64>(images.keyBegin(), images.keyEnd()), (QSet<qint64>{1, 2, 6}));
        // In the order of the entry's list; failures and non-images left out.
        QCOMPARE(images[1].size(), 2);
        QCOMPARE(images[1][0].size(), QSize(2, 1));
        QCOMPARE(images[1][1].size(), QSize(3, 1));
        QCOMPARE(images[1][1].pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(images[2].size(), 6);
        QCOMPARE(images[6].size(), 1);

        const QStringList paths = requestedPaths();
        QCOMPARE(paths.size(), 4 + 6 + 2 + 1);
        // One slash at the seam, plain GETs without the key.
        QVERIFY(paths.contains(u"/uploads/a.png"_s));
        QVERIFY(!paths.contains(u"/n/7.png"_s));
        for (const RecordedRequest& r : m_server->requests()) {
            QCOMPARE(r.method, QByteArray("GET"));
            QVERIFY(!r.hasHeader("x-api-key"));
        }
        // One entry's screenshots are fetched in their order.
        QStringList first;
        for (const QString& p : paths) {
            if (p == u"/uploads/a.png"_s || p == u"/missing.png"_s || p == u"/uploads/b.png"_s ||
                p == u"/text.png"_s)
                first.append(p);
        }
        QCOMPARE(first.mid(0, 4), (QStringList{u"/uploads/a.png"_s, u"/missing.png"_s,
                                               u"/uploads/b.png"_s, u"/text.png"_s}));
    }

    // Entries download side by side, one entry's screenshots one after another.
    void oneChainPerEntry() {
        m_server->setHandler([](const RecordedRequest& r) {
            if (r.path == u"/slow.png"_s)
                return ScriptedReply::stalled();
            return ScriptedReply{200, png({1, 1}, Qt::red), "image/png", {}, false};
        });
        bool called = false;
        Api::downloadScreenshots(
            m_server->baseUrl(),
            {shotEntry(1, {u"slow.png"_s, u"a2.png"_s}), shotEntry(2, {u"b1.png"_s, u"b2.png"_s})},
            6, m_context.get(), [&](const QHash<qint64, QList<QImage>>&) { called = true; });
        QVERIFY(m_server->waitForRequests(3));
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QStringList paths = requestedPaths();
        paths.sort();
        QCOMPARE(paths, (QStringList{u"/b1.png"_s, u"/b2.png"_s, u"/slow.png"_s}));
        QVERIFY(!called);
        m_context.reset();
    }

    // Full-size pictures are kept only at the size the PDF draws them.
    void downloadedPicturesAreSmall() {
        m_server->setHandler([](const RecordedRequest&) {
            return ScriptedReply{200, png({1920, 1080}, Qt::red), "image/png", {}, false};
        });
        const QHash<qint64, QList<QImage>> images =
            download(m_server->baseUrl(), {shotEntry(1, {u"big.png"_s})}, 6);
        QCOMPARE(images.value(1).size(), 1);
        const QImage image = images.value(1).first();
        QVERIFY2(image.width() <= 184 && image.height() <= 116,
                 qPrintable(QString::number(image.width())));
        QCOMPARE(image.width(), 184); // aspect ratio kept
        QCOMPARE(image.pixelColor(90, 50), QColor(Qt::red));
    }

    void nothingToDownload_data() {
        QTest::addColumn<int>("max");
        QTest::newRow("max 0") << 0;
        QTest::newRow("negative max") << -3;
    }

    void nothingToDownload() {
        QFETCH(int, max);
        const QHash<qint64, QList<QImage>> images =
            download(m_server->baseUrl(), {shotEntry(1, {u"a.png"_s}), shotEntry(2, {})}, max);
        QVERIFY(images.isEmpty());
        QCOMPARE(m_server->requests().size(), 0);
    }

    void unreachableServerGivesNothing() {
        const QString base = u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort());
        const QHash<qint64, QList<QImage>> images =
            download(base, {shotEntry(1, {u"a.png"_s, u"b.png"_s})}, 6);
        QVERIFY(images.isEmpty());
    }
};

QTEST_MAIN(ReportRequestsTest)
#include "ReportRequestsTest.moc"
