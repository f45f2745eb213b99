#include "JsonWriter.h"

#include "ServerTime.h"

#include <charconv>

JsonWriter::JsonWriter(qsizetype reserve) {
    m_out.reserve(reserve);
}

void JsonWriter::separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasValue.isEmpty()) {
        if (m_hasValue.last())
            m_out.append(',');
        m_hasValue.last() = true;
    }
}

void JsonWriter::beginObject() {
    separate();
    m_out.append('{');
    m_hasValue.append(false);
}

void JsonWriter::endObject() {
    m_hasValue.removeLast();
    m_out.append('}');
}

void JsonWriter::beginArray() {
    separate();
    m_out.append('[');
    m_hasValue.append(false);
}

void JsonWriter::endArray() {
    m_hasValue.removeLast();
    m_out.append(']');
}

void JsonWriter::key(const char* name) {
    separate();
    m_out.append('"');
    m_out.append(name);
    m_out.append("\":");
    m_afterKey = true;
}

void JsonWriter::value(const QString& text) {
    separate();
    appendEscaped(m_out, text);
}

void JsonWriter::value(qint64 number) {
    separate();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    m_out.append(buffer, result.ptr - buffer);
}

void JsonWriter::value(bool flag) {
    separate();
    m_out.append(flag ? "true" : "false");
}

void JsonWriter::rawValue(const QByteArray& json) {
    separate();
    m_out.append(json);
}

void JsonWriter::timestamp(qint64 seconds) {
    separate();
    char buffer[ServerTime::isoBufferSize];
    const int length = ServerTime::formatIso(seconds, buffer);
    m_out.append('"');
    m_out.append(buffer, length);
    m_out.append('"');
}

void JsonWriter::stringList(const QStringList& list, const QString& prefix) {
    beginArray();
    for (const QString& s : list)
        value(prefix.isEmpty() ? s : prefix + s);
    endArray();
}

QByteArray JsonWriter::quoted(const QString& text) {
    QByteArray out;
    appendEscaped(out, text);
    return out;
}

void JsonWriter::appendEscaped(QByteArray& out, const QString& text) {
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    qsizetype clean = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(utf8.constData() + clean, i - clean);
        clean = i + 1;
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default: {
            const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
            out.append(escaped, sizeof escaped);
        }
        }
    }
    out.append(utf8.constData() + clean, utf8.size() - clean);
    out.append('"');
}

QByteArray JsonWriter::take() {
    m_hasValue.clear();
    m_afterKey = false;
    return std::move(m_out);
}
