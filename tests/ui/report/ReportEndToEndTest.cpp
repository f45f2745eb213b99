#include "../../reports/PdfProbe.h"
#include "../../server/ServerHarness.h"
#include "AppProcess.h"
#include "Storage.h"
#include "api/Api.h"
#include "model/AppModel.h"
#include "ui/report/CheckList.h"
#include "ui/report/ReportWindowController.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The report window against a real tracking server with two people, three
// clients and entries with pictures; and the executable's window snapshot.
class ReportEndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ServerFixture> f;
    qint64 acme = 0;
    static inline const QColor picture{255, 0, 255};

    // Exports through the window as Ada and gives the saved file's path.
    QString download(const QString& button,
                     const std::function<void(ReportWindowController&)>& pick) {
        AppModel model(f->env.dataDirectory());
        Settings& s = model.store().db().settings;
        s.server = f->h.baseUrl();
        s.apiKey = f->ada;
        bool synced = false;
        Api::sync(model.store(), &model, [&](const SyncSummary&) { synced = true; });
        [&] { QTRY_VERIFY(synced); }();
        ReportWindowController reports(&model);
        reports.show();
        [&] { QTRY_COMPARE(reports.peopleList()->allIds().size(), 2); }();
        pick(reports);
        for (QAbstractButton* b : reports.window()->findChildren<QAbstractButton*>())
            if (b->text() == button)
                b->click();
        QFileDialog* dialog = nullptr;
        [&] { QTRY_VERIFY((dialog = reports.window()->findChild<QFileDialog*>())); }();
        const QString path =
            f->env.path() + u"/"_s + dialog->selectedFiles().value(0).section(u'/', -1);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
        return path;
    }

private Q_SLOTS:
    void init() {
        f = std::make_unique<ServerFixture>();
        Storage& s = f->h.storage();
        acme = s.createClient(u"Acme"_s, u"#ef4444"_s, 1, 0).id;
        const qint64 globex = s.createClient(u"Globex"_s, u"#3b82f6"_s, 1, 0).id;
        s.createClient(u"Initech"_s, u"#22c55e"_s, 1, 0);
        QVERIFY(QDir().mkpath(f->uploads() + u"2026/01"_s));
        QImage image(160, 100, QImage::Format_RGB32);
        image.fill(picture);
        const struct {
            qint64 user, client;
            const char* text;
            int day, pictures;
        } rows[] = {{1, acme, "Acme planning", 2, 2},
                    {2, acme, "Acme wiring", 3, 1},
                    {1, globex, "Globex audit", 3, 1},
                    {2, 0, "Inbox", 4, 0}};
        int stored = 0;
        for (const auto& row : rows) {
            ServerEntry e;
            e.userId = row.user;
            e.clientId = row.client ? std::optional<qint64>(row.client) : std::nullopt;
            e.ref = e.description = QString::fromLatin1(row.text);
            e.startedAt = e.updatedAt =
                QDateTime(QDate(2026, 1, row.day), QTime(9, 0), Qt::UTC).toSecsSinceEpoch();
            e.endedAt = e.startedAt + 3600;
            for (int i = 0; i < row.pictures; ++i) {
                // Stored names are 32 hexadecimal digits.
                e.screenshots.append(u"2026/01/%1.png"_s.arg(++stored, 32, 16, QChar(u'0')));
                QVERIFY(image.save(f->uploads() + e.screenshots.last()));
            }
            s.setScreenshots(s.insertEntry(e), e.screenshots);
        }
    }
    void cleanup() { f.reset(); }

    void pdfWithPicturesOfOneClient() {
        const QString path = download(u"Download PDF"_s, [this](ReportWindowController& r) {
            r.clientList()->select({acme});
            for (QAbstractButton* b : r.window()->findChildren<QAbstractButton*>())
                if (b->text() == u"Include screenshots in the PDF"_s)
                    b->setChecked(true);
        });
        const PdfProbe pdf(path);
        const QString text = pdf.text();
        for (const QString& expected :
             {u"Client: Acme"_s, u"01/01/26 - 31/01/26"_s, u"Acme planning"_s, u"Acme wiring"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected));
        QVERIFY(!text.contains(u"Globex audit"_s));
        QCOMPARE(pdf.images().size(), 3);
        // The thumbnails show on the rendered page.
        QCOMPARE(QProcess::execute(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, u"72"_s, u"-f"_s, u"1"_s,
                                                   u"-singlefile"_s, path, path}),
                 0);
        const QImage page(path + u".png"_s);
        int shown = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                shown += qGreen(page.pixel(x, y)) < 60 && qRed(page.pixel(x, y)) > 200 &&
                         qBlue(page.pixel(x, y)) > 200;
        QVERIFY2(shown > 3 * 1000, qPrintable(QString::number(shown)));
    }

    void jsonIsTheServersReport() {
        const QString path = download(u"Download JSON"_s, [](ReportWindowController&) {});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject server = f->h.get(u"/api.php?action=reports&from=2026-01-01T00:00:00Z"
                                            "&to=2026-02-01T00:00:00Z"_s,
                                            f->ada)
                                       .json;
        QCOMPARE(server.value("entries"_L1).toArray().size(), 4);
        // The server's keys and values, with "/" written plainly.
        const QByteArray saved = file.readAll();
        QCOMPARE(QJsonDocument::fromJson(saved).object(), server);
        QVERIFY(saved.contains("\"uploads/2026/01/"));
    }

    void windowSnapshot_data() {
        QTest::addColumn<bool>("selectAll");
        QTest::newRow("as loaded") << false;
        QTest::newRow("select all") << true;
    }
    void windowSnapshot() {
        QFETCH(bool, selectAll);
        AppProcess::writeSettings(f->env.dataDirectory(), f->h.baseUrl(), f->ada);
        const QString png = f->env.path() + u"/window.png"_s;
        QStringList env{u"ZEVRA_REPORT_WINDOW="_s + png};
        QStringList lines{u"report window: (470.0, 600.0) -> "_s + png};
        if (selectAll) {
            env.append(u"ZEVRA_REPORT_SELECTALL="_s);
            lines.prepend(u"selected after Select All -> clients: 3, people: 2"_s);
        }
        const AppProcess::Run r = AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), env);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, lines);
        QCOMPARE(QImage(png).size(), QSize(470, 600));
    }
};

QTEST_MAIN(ReportEndToEndTest)
#include "ReportEndToEndTest.moc"
