#include "Deflate.h"

#include <QTest>
#include <QtEndian>

class DeflateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Pieces compressed apart make one stream that zlib (qUncompress, which
    // also checks the sum) reads back whole, at any level.
    void piecesMakeOneStream_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<int>("level");
        QTest::newRow("one piece") << 70000 << 1 << 1;
        QTest::newRow("two pieces") << 9000000 << 2 << 1;
        QTest::newRow("uneven pieces") << 1000003 << 7 << 6;
        QTest::newRow("more pieces than bytes") << 3 << 5 << 9;
        QTest::newRow("per core") << 9000000 << 0 << 1;
    }

    void piecesMakeOneStream() {
        QFETCH(int, size);
        QFETCH(int, pieces);
        QFETCH(int, level);
        QByteArray text;
        for (qint64 i = 0; text.size() < size; ++i)
            text += "{\"id\":" + QByteArray::number(i * 7919 % 100003) + ",\"d\":\"x\"},";
        text.truncate(size);
        const QByteArray stream = Deflate::compress(text, level, pieces);
        QVERIFY(!stream.isEmpty());
        QByteArray length(4, '\0');
        qToBigEndian<quint32>(quint32(size), length.data());
        QCOMPARE(qUncompress(length + stream), text);
    }
};

QTEST_GUILESS_MAIN(DeflateTest)
#include "DeflateTest.moc"
