#include "ServerHarness.h"
#include "api/Api.h"
#include "api/HttpCall.h"
#include "api/SyncRun.h"
#include "model/AppModel.h"
#include "ui/panel/SetupOverlayView.h"
#include "ui/widgets/TextButton.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

// The client's sync against a real zevra-server where data could be lost:
// deletions during a first sync, refused pictures, set-aside databases and
// more pictures than one request may carry.
class SyncServerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ServerHarness> m_server;
    std::unique_ptr<AppModel> m_model;
    QString m_key;

    void open(qint64 maxBody = TrackingServer::maxBodyBytes) {
        m_server = std::make_unique<ServerHarness>(m_env->path(u"server"_s), maxBody);
        m_key = m_server->addPerson(u"Ada"_s, true);
        device(m_env->path(u"device"_s));
    }

    void device(const QString& dir) {
        m_model = std::make_unique<AppModel>(dir);
        Api::connect(*m_model);
        m_model->setSettings(m_server->baseUrl(), m_key);
    }

    Store& store() { return m_model->store(); }

    SyncSummary sync() {
        std::optional<SyncSummary> result;
        Api::sync(store(), m_model.get(), [&](const SyncSummary& s) { result = s; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 60000))
            qFatal("sync never completed");
        return *result;
    }

    Entry track(const QString& text) {
        m_model->start(text, std::nullopt);
        m_env->clock().advanceSeconds(60);
        m_model->stop(*m_model->running());
        return store().db().entries.last();
    }

    QStringList pictureFiles() {
        return QDir(store().screenshotsDir()).entryList(QDir::Files, QDir::Name);
    }

    // The server's entries of the person, as a fresh device receives them.
    int entriesOnServer() {
        const HttpResult r = m_server->sync(m_key, QJsonObject{{"pending"_L1, QJsonArray()}});
        return int(r.json.value("entries"_L1).toArray().size());
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        SyncRun::forgetLimits();
    }

    void cleanup() {
        HttpCall::setObserverForTesting(nullptr);
        m_model.reset();
        m_server.reset();
        m_env.reset();
    }

    // Over HTTPS with a certificate the system does not know, the sync is refused and the
    // certificate's fingerprint known until it is trusted; then it passes.
    void httpsOnceTrusted() {
        open();
        const QByteArray sha256 = makeCertificate(m_env->path(u"tls"_s), u"a"_s);
        QVERIFY(!sha256.isEmpty());
        QString error;
        QVERIFY2(m_server->server().setTls(m_env->path(u"tls"_s) + u"/a.pem"_s,
                                           m_env->path(u"tls"_s) + u"/a.key"_s, &error),
                 qPrintable(error));
        const QString https = m_server->baseUrl().replace("http:"_L1, "https:"_L1);
        m_model->setSettings(https, m_key);
        track(u"work"_s);
        QCOMPARE(sync().error.value_or(QString()), HttpCall::untrustedMessage);
        QCOMPARE(HttpCall::untrustedCertificate(QUrl(https)), sha256);
        // The settings form shows the fingerprint; its button trusts that one.
        auto* form = new SetupOverlayView(m_model.get(), nullptr); // it goes when it closes
        QVERIFY(form->findChild<QLabel*>(u"fingerprint"_s)
                    ->text()
                    .remove(u' ')
                    .contains(HttpCall::fingerprintText(sha256)));
        QTest::mouseClick(form->trustButton(), Qt::LeftButton);
        QTRY_VERIFY(!m_model->syncing());
        QCOMPARE(sync().error, std::nullopt);
        QVERIFY(store().db().entries.last().serverId);
    }

    void deletionDuringFirstSync() {
        open();
        const Entry entry = track(u"typo"_s);
        std::optional<SyncSummary> first;
        Api::sync(store(), m_model.get(), [&](const SyncSummary& s) { first = s; });
        m_model->deleteEntry(entry); // while the request travels
        QTRY_VERIFY_WITH_TIMEOUT(first.has_value(), 60000);
        QCOMPARE(m_model->running(), std::nullopt);
        QCOMPARE(first->pending, 1); // the deletion waits for the next sync

        const SyncSummary second = sync();
        QCOMPARE(second.error, std::nullopt);
        QVERIFY(store().db().entries.isEmpty());
        QCOMPARE(entriesOnServer(), 0);
        sync();
        QVERIFY(store().db().entries.isEmpty());
    }

    void refusedPictureStaysLocal() {
        open();
        const Entry entry = track(u"with pictures"_s);
        m_model->addScreenshot(entry, "not an image at all", u"png"_s);
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        m_model->addScreenshot(entry, png, u"png"_s);
        const QString refused = store().db().entries.last().screenshots->first().file.value();

        const SyncSummary s = sync();
        QVERIFY(s.online);
        QVERIFY(s.error && s.error->contains(u"not a PNG, JPEG, GIF or WebP image"_s));
        const Entry after = store().db().entries.last();
        QCOMPARE(after.syncState, Entry::synced);
        // The server's copy of the entry comes first, the refused file after it.
        QCOMPARE(after.screenshots->size(), 2);
        QVERIFY(after.screenshots->at(0).server);
        QCOMPARE(after.screenshots->at(1).file, refused);
        QCOMPARE(pictureFiles(), QStringList{refused});

        // Not sent again, and not pruned by the next sync either.
        QList<qsizetype> bodies;
        HttpCall::setObserverForTesting(
            [&](const HttpCall& call) { bodies.append(call.jsonBody.value_or("").size()); });
        QCOMPARE(sync().error, std::nullopt);
        QCOMPARE(bodies.size(), 1);
        QVERIFY(bodies[0] < 200);
        QCOMPARE(pictureFiles(), QStringList{refused});
        QCOMPARE(store().db().entries.last().screenshots->at(1).file, refused);
    }

    void setAsideDatabaseKeepsItsPictures() {
        open();
        const QString dir = m_env->path(u"old-device"_s);
        QDir().mkpath(dir + u"/screenshots"_s);
        for (const QString& name : {u"kept-by-old.png"_s, u"stray.png"_s}) {
            QFile f(dir + u"/screenshots/"_s + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        QFile broken(dir + u"/db.json"_s);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(R"({"entries":[{"screenshots":[{"file":"kept-by-old.png"})");
        broken.close();

        device(dir); // sets the unreadable file aside and starts empty
        QCOMPARE(sync().error, std::nullopt);
        QCOMPARE(pictureFiles(), QStringList{u"kept-by-old.png"_s});
        device(dir); // a later session, the set-aside file still there
        sync();
        QCOMPARE(pictureFiles(), QStringList{u"kept-by-old.png"_s});
    }

    void batchesUnderTheBodyLimit() {
        const qint64 limit = 2 * 1024 * 1024;
        open(limit);
        // Seven pictures of 900 KB: three times the limit in all.
        QStringList sent;
        for (int i = 0; i < 7; ++i) {
            const Entry entry = track(u"entry "_s + QString::number(i));
            QByteArray bytes("\x89PNG\r\n\x1a\n");
            bytes.resize(900 * 1000);
            QRandomGenerator(i).fillRange(reinterpret_cast<quint32*>(bytes.data() + 8),
                                          (bytes.size() - 8) / 4);
            m_model->addScreenshot(entry, bytes, u"png"_s);
        }
        QList<qsizetype> bodies;
        HttpCall::setObserverForTesting(
            [&](const HttpCall& call) { bodies.append(call.jsonBody.value_or("").size()); });

        const SyncSummary s = sync();
        QCOMPARE(s.error, std::nullopt);
        QCOMPARE(s.pending, 0);
        QVERIFY(bodies.size() >= 4);
        for (qsizetype size : std::as_const(bodies))
            QVERIFY2(size < limit, qPrintable(QString::number(size)));
        for (const Entry& e : store().db().entries) {
            QCOMPARE(e.syncState, Entry::synced);
            QCOMPARE(e.screenshots->size(), 1);
            QVERIFY(QFile::exists(m_env->path(u"server"_s) + u"/uploads/"_s +
                                  *e.screenshots->first().server));
        }
        QVERIFY(pictureFiles().isEmpty());
        QCOMPARE(entriesOnServer(), 7);
    }
};

QTEST_MAIN(SyncServerTest)
#include "SyncServerTest.moc"
