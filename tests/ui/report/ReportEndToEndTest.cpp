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

    // Exports through the window as Ada and gives the saved file's path.
    QString download(const QString& button,
                     const std::function<void(ReportWindowController&)>& pick) {
        AppProcess::writeSettings(f->env.dataDirectory(), f->h.baseUrl(), f->ada);
        AppModel model(f->env.dataDirectory());
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
        // Acme is archived: still listed, and reported on alone by name.
        acme = s.createClient(u"Acme"_s, u"#ef4444"_s, 1, 0).id;
        QVERIFY(s.updateClient(ServerClient{acme, u"Acme"_s, u"#ef4444"_s, true}, 0));
        const qint64 globex = s.createClient(u"Globex"_s, u"#3b82f6"_s, 1, 0).id;
        s.createClient(u"Initech"_s, u"#22c55e"_s, 1, 0);
        QVERIFY(QDir().mkpath(f->uploads() + u"2026/01"_s));
        QImage image(160, 100, QImage::Format_RGB32);
        image.fill(QColor(255, 0, 255));
        // Person, client, text, day in January, pictures.
        const std::tuple<qint64, qint64, const char*, int, int> rows[] = {
            {1, acme, "Acme planning", 2, 2},
            {2, acme, "Acme wiring", 3, 1},
            {1, globex, "Globex audit", 3, 1},
            {2, 0, "Inbox", 4, 0}};
        int stored = 0;
        for (const auto& [user, client, text, day, pictures] : rows) {
            ServerEntry e;
            e.userId = user;
            e.clientId = client ? std::optional<qint64>(client) : std::nullopt;
            e.ref = e.description = QString::fromLatin1(text);
            e.startedAt = e.updatedAt =
                QDateTime(QDate(2026, 1, day), QTime(9, 0), Qt::UTC).toSecsSinceEpoch();
            e.endedAt = e.startedAt + 3600;
            for (int i = 0; i < pictures; ++i) {
                // Stored names are 32 hexadecimal digits.
                e.screenshots.append(u"2026/01/%1.png"_s.arg(++stored, 32, 16, QChar(u'0')));
                QVERIFY(image.save(f->uploads() + e.screenshots.last()));
            }
            s.setScreenshots(s.insertEntry(e), e.screenshots);
        }
    }
    void cleanup() { f.reset(); }

    void pdfOfOneClientAndJson() {
        const QString path = download(u"Download PDF"_s, [this](ReportWindowController& r) {
            r.clientList()->select({acme});
            for (QAbstractButton* b : r.window()->findChildren<QAbstractButton*>())
                if (b->text() == u"Include screenshots in the PDF"_s)
                    b->setChecked(true);
        });
        QVERIFY(path.endsWith(u"/Zevra-Report_2026-01-01_2026-01-31.pdf"_s));
        const PdfProbe pdf(path);
        QCOMPARE(pdf.images().size(), 3);
        const QString text = pdf.text();
        for (const QString& expected :
             {u"Client: Acme"_s, u"01/01/26 - 31/01/26"_s, u"Acme planning"_s, u"Acme wiring"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected));
        QVERIFY(!text.contains(u"Globex audit"_s));
        // The thumbnails show on the rendered page.
        QCOMPARE(QProcess::execute(u"pdftoppm"_s,
                                   {u"-png"_s, u"-r"_s, u"72"_s, u"-singlefile"_s, path, path}),
                 0);
        const QImage page = QImage(path + u".png"_s).convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(page.constBits());
        const auto shown = std::count_if(pixels, pixels + page.width() * page.height(), [](QRgb p) {
            return qGreen(p) < 60 && qRed(p) > 200 && qBlue(p) > 200;
        });
        QVERIFY2(shown > 3 * 1000, qPrintable(QString::number(shown)));

        // The JSON file is the server's report.
        QFile file(download(u"Download JSON"_s, [](ReportWindowController&) {}));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString january = u"&from=2026-01-01T00:00:00Z&to=2026-02-01T00:00:00Z"_s;
        const HttpResult server = f->h.get(u"/api.php?action=reports"_s + january, f->ada);
        // The server's keys and values, with "/" written plainly.
        const QByteArray saved = file.readAll();
        QCOMPARE(QJsonDocument::fromJson(saved).object(), server.json);
        QVERIFY(saved.contains("\"uploads/2026/01/"));
    }

    void windowSnapshotAfterSelectAll() {
        AppProcess::writeSettings(f->env.dataDirectory(), f->h.baseUrl(), f->ada);
        const QString png = f->env.path() + u"/window.png"_s;
        const AppProcess::Run r =
            AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE),
                            {u"ZEVRA_REPORT_WINDOW="_s + png, u"ZEVRA_REPORT_SELECTALL="_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, (QStringList{u"selected after Select All -> clients: 3, people: 2"_s,
                                       u"report window: (470.0, 600.0) -> "_s + png}));
        QCOMPARE(QImage(png).size(), QSize(470, 600));
    }
};

QTEST_MAIN(ReportEndToEndTest)
#include "ReportEndToEndTest.moc"
