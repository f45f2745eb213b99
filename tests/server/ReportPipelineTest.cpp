#include "ReportPipeline.h"

#include <QTest>
#include <QThread>

#include <stdexcept>

class ReportPipelineTest : public QObject {
    Q_OBJECT

    static QByteArray text(int i) { return QByteArray(i % 50, char('a' + i % 26)); }

private Q_SLOTS:
    // Many batches: every row arrives once, in order, with its own text and
    // pictures, although the reader's buffers are reused meanwhile.
    void rowsArriveInOrder() {
        constexpr int count = 20000;
        QList<QByteArray> seen;
        qint64 pictures = 0;
        bool inOrder = true;
        {
            ReportPipeline pipeline([&](const ReportRow& r) {
                inOrder = inOrder && r.id == seen.size();
                seen.append(r.description.toByteArray());
                pictures += r.screenshots.size();
            });
            QByteArray buffer;
            ReportRow row;
            for (int i = 0; i < count; ++i) {
                buffer = text(i);
                row.id = i;
                row.description = buffer;
                row.screenshots = i % 10 ? QByteArrayList() : QByteArrayList{"p.png", "q.png"};
                pipeline.push(row);
            }
            pipeline.finish();
        }
        QVERIFY(inOrder);
        QCOMPARE(seen.size(), count);
        for (int i = 0; i < count; i += 997)
            QCOMPARE(seen.at(i), text(i));
        QCOMPARE(pictures, 2 * count / 10);
    }

    // A failing writer stops the reader with its error; a pipeline left
    // without finishing does not hang.
    void failuresEndIt() {
        ReportPipeline failing([](const ReportRow& r) {
            if (r.id == 5000) { // once the reader waits with all batches full
                QThread::msleep(200);
                throw std::runtime_error("disk full");
            }
        });
        ReportRow row;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, {
            for (row.id = 0; row.id < 1000000; ++row.id)
                failing.push(row);
            failing.finish();
        });
        ReportPipeline abandoned([](const ReportRow&) { QThread::usleep(50); });
        for (row.id = 0; row.id < 6000; ++row.id)
            abandoned.push(row);
    }
};

QTEST_GUILESS_MAIN(ReportPipelineTest)
#include "ReportPipelineTest.moc"
