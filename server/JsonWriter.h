#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>

#include <cstring>
#include <vector>

// Writes compact JSON text straight into a byte array, for replies too large
// to build as QJsonObject trees first (reports of a million entries). Keys
// are written as given; strings are escaped as JSON requires.
class JsonWriter {
public:
    // `frontRoom` bytes are kept free in front of the text, for a head that
    // is known only once the text is written (see takeBehind()).
    explicit JsonWriter(qsizetype reserve = 0, qsizetype frontRoom = 0);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The key of the next value inside an object, a literal.
    template <size_t N>
    void key(const char (&name)[N]) {
        separate();
        // Copies of a known size are inlined.
        char* out = space(N + 2);
        *out = '"';
        std::memcpy(out + 1, name, N - 1);
        std::memcpy(out + N, "\":", 2);
        m_used += N + 2;
        m_afterKey = true;
    }

    void value(const QString& text);
    // A string given as UTF-8.
    void utf8Value(QByteArrayView text);
    void value(qint64 number);
    // An instant (seconds since the epoch) as UTC text.
    void timestamp(qint64 seconds);
    // An array of UTF-8 strings, each behind `prefix`.
    void utf8List(const QByteArrayList& list, QByteArrayView prefix = {});
    // A value already written as JSON text (see quoted()).
    void rawValue(QByteArrayView json);
    // Ready JSON text inside the current object, such as `,"key":"value"`
    // pairs; the caller supplies its separators.
    void rawText(QByteArrayView json) { put(json); }
    // `text` as a JSON string literal, for values written many times.
    static QByteArray quoted(const QString& text);

    // Shortcuts for "key": value.
    template <size_t N, class T>
    void field(const char (&name)[N], const T& v) {
        key(name);
        value(v);
    }

    QByteArray take();
    // `front` followed by the text written; the text is not copied when the
    // front fits the room left for it.
    QByteArray takeBehind(const QByteArray& front);

private:
    void separate();
    // The next `bytes` bytes to write into; what is not used of them is given
    // back with `m_used`.
    char* space(qsizetype bytes) {
        if (m_out.size() - m_used < bytes)
            grow(bytes);
        return m_data + m_used;
    }
    void grow(qsizetype bytes);
    void put(char c) {
        *space(1) = c;
        ++m_used;
    }
    void put(QByteArrayView text) {
        if (text.isEmpty())
            return;
        std::memcpy(space(text.size()), text.data(), size_t(text.size()));
        m_used += text.size();
    }
    // `prefix` and `utf8` as one JSON string literal.
    void putEscaped(QByteArrayView prefix, QByteArrayView utf8);
    // The same without the quotes.
    void putEscapedText(QByteArrayView utf8);

    // Sized ahead of the text: the first `m_used` bytes are written.
    QByteArray m_out;
    char* m_data = nullptr;
    qsizetype m_used = 0;
    qsizetype m_frontRoom = 0;
    // Per open object or array: whether a value was written in it yet.
    std::vector<bool> m_hasValue;
    bool m_afterKey = false;
    // The day (since the epoch) of the last time written, and its
    // "YYYY-MM-DDT".
    qint64 m_day = -1;
    char m_dayText[11] = {};
};
