#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Writes compact JSON text straight into a byte array, for replies too large
// to build as QJsonObject trees first (reports of a hundred thousand
// entries). Keys are written as given; strings are escaped as JSON requires.
class JsonWriter {
public:
    explicit JsonWriter(qsizetype reserve = 0);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The key of the next value inside an object.
    void key(const char* name);

    void value(const QString& text);
    void value(qint64 number);
    void value(bool flag);
    // An instant (seconds since the epoch) as UTC text.
    void timestamp(qint64 seconds);
    void stringList(const QStringList& list, const QString& prefix = QString());
    // A value already written as JSON text (see quoted()).
    void rawValue(const QByteArray& json);
    // Ready JSON text inside the current object, such as `,"key":"value"`
    // pairs; the caller supplies its separators.
    void rawText(const QByteArray& json) { m_out.append(json); }
    // `text` as a JSON string literal, for values written many times.
    static QByteArray quoted(const QString& text);

    // Shortcuts for "key": value.
    template <class T>
    void field(const char* name, const T& v) {
        key(name);
        value(v);
    }

    QByteArray take();
    qsizetype size() const { return m_out.size(); }

private:
    void separate();
    static void appendEscaped(QByteArray& out, const QString& text);

    QByteArray m_out;
    // Per open object or array: whether a value was written in it yet.
    QList<bool> m_hasValue;
    bool m_afterKey = false;
};
