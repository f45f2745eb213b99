#include "FakeHttpServer.h"
#include "TestEnv.h"
#include "api/HttpCall.h"
#include "model/Store.h"
#include "ui/shots/Previewer.h"
#include "ui/shots/ShotSource.h"
#include "ui/shots/ShotStripLayout.h"
#include "ui/shots/ShotStripView.h"
#include "ui/shots/ShotTile.h"
#include "ui/shots/ThumbnailCache.h"
#include "ui/widgets/SymbolButton.h"

#include <QBuffer>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;
using Row = ShotStripLayout::Row;

namespace {

QByteArray pngBytes(QSize size = QSize(40, 30)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

Shot shotOf(const QString& kind) {
    Shot shot;
    if (kind.contains(u"bytes"_s))
        shot.data = pngBytes();
    if (kind.contains(u"file"_s))
        shot.file = kind.contains(u"escape"_s) ? u"../db.json"_s : u"a.png"_s;
    if (kind.contains(u"remote"_s))
        shot.remoteURL = QUrl(u"http://example.test/uploads/2026/01/a.png"_s);
    return shot;
}

} // namespace

class ShotsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void strip_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<double>("tileWidth");
        QTest::addColumn<double>("height");
        const double third = (300 - 16) / 3.0;
        QTest::newRow("one shot spans the strip")
            << 300.0 << 1 << QList<Row>{{1, 0}} << 300.0 << 186.0;
        QTest::newRow("five in 300: 3 + 2 and an empty place")
            << 300.0 << 5 << QList<Row>{{3, 0}, {2, 1}} << third << 2 * 0.62 * third + 8;
        QTest::newRow("five in 400: four columns")
            << 400.0 << 5 << QList<Row>{{4, 0}, {1, 3}} << (400 - 24) / 4.0 << 2 * 0.62 * 94 + 8;
        QTest::newRow("no more columns than shots")
            << 1000.0 << 2 << QList<Row>{{2, 0}} << 496.0 << 0.62 * 496;
        QTest::newRow("not laid out yet: as if 300 wide")
            << 0.0 << 5 << QList<Row>{{3, 0}, {2, 1}} << third << 2 * 0.62 * third + 8;
        QTest::newRow("narrower than one tile")
            << 50.0 << 2 << QList<Row>{{1, 0}, {1, 0}} << 50.0 << 2 * 31.0 + 8;
        QTest::newRow("nothing") << 300.0 << 0 << QList<Row>{} << 300.0 << 0.0;
    }
    void strip() {
        QFETCH(double, width);
        QFETCH(int, count);
        QFETCH(QList<Row>, rows);
        QFETCH(double, tileWidth);
        QFETCH(double, height);
        const int columns = ShotStripLayout::columnCount(width, count);
        QCOMPARE(ShotStripLayout::rows(count, columns), rows);
        QCOMPARE(ShotStripLayout::tileWidth(width, columns), tileWidth);
        QCOMPARE(ShotStripLayout::height(width, count), height);
    }

    void relayout_data() {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<bool>("relayout");
        QTest::newRow("300 to 400: four columns") << 300.0 << 400.0 << true;
        QTest::newRow("400 to 300: three again") << 400.0 << 300.0 << true;
        QTest::newRow("0.4 wider") << 300.0 << 300.4 << false;
        QTest::newRow("wider, the same columns") << 300.0 << 350.0 << false;
        QTest::newRow("0.4 across the 4-column line") << 359.7 << 360.1 << false;
        QTest::newRow("0.6 across the 4-column line") << 359.5 << 360.1 << true;
    }
    void relayout() {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(bool, relayout);
        const int last = ShotStripLayout::columnCount(from, 5);
        QCOMPARE(ShotStripLayout::needsRelayout(from, to, last, 5), relayout);
    }

    void sources_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<ShotSource::Image>("image");
        QTest::addColumn<QString>("preview"); // "file", "remote", "temporary" or empty
        QTest::newRow("bytes") << u"bytes"_s << ShotSource::Image::Bytes << u"temporary"_s;
        QTest::newRow("file") << u"file"_s << ShotSource::Image::File << u"file"_s;
        QTest::newRow("remote") << u"remote"_s << ShotSource::Image::Remote << u"remote"_s;
        QTest::newRow("file and remote: the local file")
            << u"file remote"_s << ShotSource::Image::File << u"file"_s;
        QTest::newRow("nothing: no click, an empty place")
            << QString() << ShotSource::Image::None << QString();
        QTest::newRow("a name leaving the folder is not opened")
            << u"file escape"_s << ShotSource::Image::File << QString();
    }
    void sources() {
        QFETCH(QString, kind);
        QFETCH(ShotSource::Image, image);
        QFETCH(QString, preview);
        TestEnv env;
        const Store store(env.dataDirectory());
        const Shot shot = shotOf(kind);
        QCOMPARE(ShotSource::image(shot), image);
        QCOMPARE(ShotSource::clickable(shot), image != ShotSource::Image::None);
        const QUrl temporary(u"file:///tmp/copy.png"_s);
        const QUrl url = ShotSource::previewUrl(shot, store, [&](const QByteArray& data) {
            return data == shot.data ? temporary : QUrl();
        });
        const QHash<QString, QUrl> expected{
            {u"file"_s, QUrl::fromLocalFile(store.screenshotsDir() + u"/a.png"_s)},
            {u"remote"_s, *shotOf(u"remote"_s).remoteURL},
            {u"temporary"_s, temporary},
        };
        QCOMPARE(url, expected.value(preview));
    }

    // The strip as a person uses it: tiles in rows, a click previews from
    // that tile on, Right and edge clicks move, Escape closes, remove buttons
    // only where the shot can be removed (and removing may rebuild the strip).
    void stripAndPreviewer() {
        TestEnv env;
        const Store store(env.dataDirectory());
        ShotStripView strip(store);
        QList<Shot> shots(5, shotOf(u"bytes"_s));
        int removed = 0;
        shots[4].onRemove = [&] {
            ++removed;
            strip.setShots(strip.shots().mid(0, 4));
            strip.rebuild();
        };
        strip.setShots(shots);
        strip.resize(300, 10);
        strip.rebuild();
        QCOMPARE(strip.lastColumns(), 3);
        QCOMPARE(strip.cells()[4]->geometry(), QRect(103, 67, 94, 58));
        QCOMPARE(strip.height(), 126);
        strip.show();
        strip.resize(400, strip.height());
        QCOMPARE(strip.lastColumns(), 4);
        QVERIFY(!strip.cells()[0]->removeButton()->isVisibleTo(&strip));
        QVERIFY(strip.cells()[4]->removeButton()->isVisibleTo(&strip));

        QTest::mouseClick(strip.cells()[3], Qt::LeftButton);
        Previewer& previewer = Previewer::shared();
        QVERIFY(previewer.isVisible());
        QCOMPARE(previewer.items().size(), 5);
        QCOMPARE(previewer.currentIndex(), 3);
        QCOMPARE(previewer.currentImage().size(), QSize(40, 30));
        QVERIFY(QFileInfo::exists(previewer.items()[0].toLocalFile()));
        QTest::keyClick(&previewer, Qt::Key_Right);
        QTest::keyClick(&previewer, Qt::Key_Right);
        QCOMPARE(previewer.currentIndex(), 4);
        QTest::mouseClick(&previewer, Qt::LeftButton, {}, QPoint(5, previewer.height() / 2));
        QCOMPARE(previewer.currentIndex(), 3);
        QTest::mouseClick(&previewer, Qt::LeftButton, {}, previewer.rect().center());
        QCOMPARE(previewer.currentIndex(), 3);
        QVERIFY(Previewer::stateText().startsWith(u"visible=true key="_s));
        QTest::keyClick(&previewer, Qt::Key_Escape);
        QVERIFY(!previewer.isVisible());

        QTest::mouseClick(strip.cells()[4]->removeButton(), Qt::LeftButton);
        QCOMPARE(removed, 1);
        QCOMPARE(strip.cells().size(), 4);
        QCOMPARE(strip.lastColumns(), 4);
    }

    void previewerPlacement_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("clamped");
        QTest::newRow("past the end: the last") << 7 << 3 << 2;
        QTest::newRow("negative: the first") << -1 << 3 << 0;
        QTest::newRow("within") << 1 << 3 << 1;
        QTest::newRow("empty list") << 2 << 0 << 0;
    }
    void previewerPlacement() {
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(int, clamped);
        QCOMPARE(Previewer::clampIndex(index, count), clamped);
        // Pictures fit the screen less its margins, never grow, and small
        // ones get a window that still reads as one.
        const QSize screen(1280, 800);
        QCOMPARE(Previewer::windowSize(QSize(800, 400), screen), QSize(820, 420));
        QCOMPARE(Previewer::windowSize(QSize(4000, 2000), screen), QSize(1200, 610));
        QCOMPARE(Previewer::windowSize(QSize(8, 8), screen), QSize(240, 180));
    }

    // A picture is downloaded once for all the tiles that show it, also for
    // tiles built after it arrived; a failed download is tried again.
    void thumbnailsDownloadOnce() {
        FakeHttpServer server;
        server.setHandler([](const RecordedRequest& request) {
            ScriptedReply reply;
            reply.status = request.path.endsWith(u"missing.png"_s) ? 404 : 200;
            reply.body = reply.status == 200 ? pngBytes(QSize(900, 600)) : QByteArray();
            reply.contentType = "image/png";
            return reply;
        });
        const QUrl url(server.baseUrl() + u"/uploads/2026/01/a.png"_s);
        QObject context;
        QList<QSize> seen;
        const auto record = [&seen](const QImage& image) { seen.append(image.size()); };
        ThumbnailCache::load(url, &context, record);
        ThumbnailCache::load(url, &context, record);
        QTRY_COMPARE(seen.size(), 2);
        QCOMPARE(seen[0], QSize(480, 320));
        ThumbnailCache::load(url, &context, record);
        QCOMPARE(seen.size(), 3);
        QCOMPARE(server.requests().size(), 1);

        const QUrl missing(server.baseUrl() + u"/uploads/missing.png"_s);
        ThumbnailCache::load(missing, &context, record);
        QTRY_COMPARE(HttpCall::inFlight(), 0);
        ThumbnailCache::load(missing, &context, record);
        QTRY_COMPARE(server.requests().size(), 3);
        QTRY_COMPARE(HttpCall::inFlight(), 0);
        QCOMPARE(seen.size(), 3);
        ThumbnailCache::clear();
    }
};

QTEST_MAIN(ShotsTest)
#include "ShotsTest.moc"
