#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "api/Api.h"
#include "model/Store.h"
#include "reports/Report.h"

#include <QBuffer>
#include <QTest>

using namespace Qt::StringLiterals;

// The report request and the screenshot downloads against a scripted server,
// and the screenshot addresses of an entry.
class ReportRequestsTest : public QObject {
    Q_OBJECT

    struct Fixture {
        TestEnv env{QDateTime(QDate(2026, 1, 5), QTime(12, 0), Qt::UTC), "Europe/Berlin"};
        FakeHttpServer server;
        Store store{env.dataDirectory()};
    };
    std::unique_ptr<Fixture> f;

    static QByteArray reportBody() {
        return jsonText(
            "{'from':'a','to':'b','total':60,'grouped':{'user':[],'client':[],'day':[]},"
            "'entries':[]}");
    }

    // Local midnight in Berlin on 5 and 6 January 2026.
    ApiResult<Report> fetch(const QList<qint64>& users = {}, const QList<qint64>& clients = {}) {
        std::optional<ApiResult<Report>> result;
        Api::fetchReport(f->store, QDateTime(QDate(2026, 1, 4), QTime(23, 0), Qt::UTC),
                         QDateTime(QDate(2026, 1, 5), QTime(23, 0), Qt::UTC), users, clients,
                         &f->server, [&](const ApiResult<Report>& r) { result = r; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 70000))
            qFatal("fetchReport never completed");
        return *result;
    }

    static ScriptedReply png(const QSize& size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return ScriptedReply{200, bytes, "image/png", {}};
    }

private Q_SLOTS:
    void init() {
        f = std::make_unique<Fixture>();
        f->store.db().settings.server = f->server.baseUrl() + u"//"_s;
        f->store.db().settings.apiKey = u" key-9\n"_s;
    }
    void cleanup() { f.reset(); }

    void query() {
        f->server.enqueue(ScriptedReply::json(200, reportBody()));
        QVERIFY(fetch({15, 3}, {9, 2}).ok());
        const RecordedRequest& r = f->server.requests().value(0);
        QCOMPARE(r.method, "GET"_ba);
        QCOMPARE(r.path, u"/api.php"_s);
        QCOMPARE(r.query.toString(QUrl::FullyDecoded),
                 u"action=reports&from=2026-01-04T23:00:00Z&to=2026-01-05T23:00:00Z"
                 "&user_ids=15,3&client_ids=9,2"_s);
        QCOMPARE(r.header("x-api-key"), "key-9"_ba);
        // Nothing is sent without a key.
        f->store.db().settings.apiKey = u" \t"_s;
        QCOMPARE(fetch().error().message, u"Not configured"_s);
        QCOMPARE(f->server.requests().size(), 1);
    }

    void replies_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message"); // empty: success
        QTest::newRow("399 counts as success") << 399 << reportBody() << QString();
        QTest::newRow("400 with an error text") << 400 << jsonText("{'error':'Bad'}") << u"Bad"_s;
        QTest::newRow("200 without the day list")
            << 200
            << jsonText("{'from':'a','to':'b','total':0,'entries':[],'grouped':{'user':[],"
                        "'client':[]}}")
            << u"Malformed response"_s;
    }

    void replies() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        f->server.enqueue(ScriptedReply::json(status, body));
        const ApiResult<Report> result = fetch();
        QCOMPARE(result.ok() ? QString() : result.error().message, message);
    }

    // At most `max` per entry, in the entry's order, failures and non-images
    // left out, plain GETs without the key, kept at the size the PDF draws.
    void screenshots() {
        f->server.setHandler([](const RecordedRequest& r) {
            if (r.path.startsWith(u"/big"_s))
                return png({1920, 1080});
            if (r.path.startsWith(u"/text"_s))
                return ScriptedReply{200, "not an image", "image/png", {}};
            return r.path.startsWith(u"/missing"_s) ? ScriptedReply::json(404, {}) : png({2, 1});
        });
        QList<ReportEntry> entries(3);
        entries[0].id = 1;
        entries[0].screenshots = {u"/a.png"_s, u"missing.png"_s, u"big.png"_s, u"text.png"_s};
        entries[1].id = 2;
        entries[1].screenshots = QStringList();
        for (int i = 1; i <= 7; ++i)
            entries[1].screenshots->append(u"n/%1.png"_s.arg(i));
        entries[2].id = 3;
        entries[2].screenshots = {u"missing.png"_s};
        std::optional<QHash<qint64, QList<QImage>>> images;
        Api::downloadScreenshots(u" "_s + f->server.baseUrl() + u"/ \n"_s, entries, 6, &f->server,
                                 [&](const auto& map) { images = map; });
        QVERIFY(QTest::qWaitFor([&] { return images.has_value(); }, 30000));
        QCOMPARE(images->keys().size(), 2);
        QCOMPARE(images->value(1).size(), 2);
        QCOMPARE(images->value(1)[1].size(), QSize(184, 103));
        QCOMPARE(images->value(2).size(), 6);
        QCOMPARE(f->server.requests().size(), 4 + 6 + 1);
        for (const RecordedRequest& r : f->server.requests())
            QVERIFY(r.method == "GET" && !r.hasHeader("x-api-key") && r.path != u"/n/7.png"_s);
    }

    void screenshotUrls_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("max");
        QTest::addColumn<QStringList>("urls");
        QTest::newRow("slashes on both sides of the seam")
            << u"  http://host/zevra///\n"_s << QStringList{u"/uploads/a.png"_s} << 6
            << QStringList{u"http://host/zevra/uploads/a.png"_s};
        QTest::newRow("absolute addresses are kept")
            << u"http://host/"_s << QStringList{u"https://cdn.example.com//x.png"_s} << 6
            << QStringList{u"https://cdn.example.com//x.png"_s};
        QTest::newRow("only the first max")
            << u"http://host"_s << QStringList{u"1"_s, u"2"_s, u"3"_s} << 2
            << QStringList{u"http://host/1"_s, u"http://host/2"_s};
        QTest::newRow("max 0") << u"http://host"_s << QStringList{u"a.png"_s} << 0 << QStringList{};
        QTest::newRow("texts that are no URL are skipped, not replaced")
            << u"http://host"_s << QStringList{u"bad path.png"_s, u"b.png"_s, u"c.png"_s} << 2
            << QStringList{u"http://host/b.png"_s};
    }

    void screenshotUrls() {
        QFETCH(QString, base);
        QFETCH(QStringList, texts);
        QFETCH(int, max);
        QFETCH(QStringList, urls);
        ReportEntry entry;
        entry.screenshots = texts;
        QStringList got;
        for (const QUrl& url : entry.screenshotUrls(base, max))
            got.append(url.toString());
        QCOMPARE(got, urls);
    }
};

QTEST_MAIN(ReportRequestsTest)
#include "ReportRequestsTest.moc"
