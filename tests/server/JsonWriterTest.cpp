#include "JsonWriter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

class JsonWriterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void strings_data() {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<QString>("read");
        QTest::newRow("escapes") << "\"a\\b\n\r\t\x01"_ba << u"\"a\\b\n\r\t\u0001"_s;
        QTest::newRow("valid UTF-8") << "caf\xc3\xa9 \xf0\x9f\x98\x80"_ba << u"café 😀"_s;
        // A lone surrogate as a database may hand it out, and stray bytes.
        QTest::newRow("lone surrogate") << "a\xed\xa0\x80z\n"_ba << u"a\ufffd\ufffd\ufffdz\n"_s;
        QTest::newRow("cut sequence") << "\"x\xc3"_ba << u"\"x\ufffd"_s;
    }

    void strings() {
        QFETCH(QByteArray, utf8);
        QFETCH(QString, read);
        JsonWriter out;
        out.beginObject();
        out.key("text");
        out.utf8Value(utf8);
        out.endObject();
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(out.take(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc.object().value("text"_L1).toString(), read);
    }

    // The head goes in front of the entries, in the room left for it or,
    // when it is longer, by a copy; the entries outgrow the first buffer.
    void headInFront_data() {
        QTest::addColumn<int>("room");
        QTest::addColumn<int>("headSize");
        QTest::newRow("fits with room to spare") << 100 << 10;
        QTest::newRow("fills the room") << 100 << 100;
        QTest::newRow("longer than the room") << 100 << 101;
        QTest::newRow("no room") << 0 << 5;
    }

    void headInFront() {
        QFETCH(int, room);
        QFETCH(int, headSize);
        JsonWriter entries(16, room);
        QByteArray expected = QByteArray(headSize, 'h') + '[';
        entries.beginArray();
        for (qint64 i = 0; i < 100000; ++i) {
            entries.value(i);
            expected += (i ? "," : "") + QByteArray::number(i);
        }
        entries.endArray();
        expected += ']';
        QCOMPARE(entries.takeBehind(QByteArray(headSize, 'h')), expected);
    }
};

QTEST_GUILESS_MAIN(JsonWriterTest)
#include "JsonWriterTest.moc"
