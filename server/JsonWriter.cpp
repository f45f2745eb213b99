#include "JsonWriter.h"

#include "ServerTime.h"

#include <charconv>
#include <utility>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

JsonWriter::JsonWriter(qsizetype reserve, qsizetype frontRoom)
    : m_frontRoom(frontRoom) {
    m_out.resize(frontRoom + qMax<qsizetype>(reserve, 64));
    m_data = m_out.data();
    m_used = frontRoom;
}

void JsonWriter::grow(qsizetype bytes) {
    const qsizetype before = m_out.size();
    // Doubling by resize() lets the allocator extend the block in place
    // where it can, instead of copying the text each time.
    m_out.resize(qMax(m_used + bytes, before * 2));
    m_data = m_out.data();
#ifdef MADV_POPULATE_WRITE
    // The new part is written front to back right away: mapping it in one
    // call costs far less than a page fault every 4 KB.
    constexpr quintptr page = 4096;
    const quintptr start = (quintptr(m_data + before) + page - 1) & ~(page - 1);
    const quintptr end = quintptr(m_data + m_out.size()) & ~(page - 1);
    if (end > start + 64 * page)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#endif
}

void JsonWriter::separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasValue.empty()) {
        if (m_hasValue.back())
            put(',');
        m_hasValue.back() = true;
    }
}

void JsonWriter::beginObject() {
    separate();
    put('{');
    m_hasValue.push_back(false);
}

void JsonWriter::endObject() {
    m_hasValue.pop_back();
    put('}');
}

void JsonWriter::beginArray() {
    separate();
    put('[');
    m_hasValue.push_back(false);
}

void JsonWriter::endArray() {
    m_hasValue.pop_back();
    put(']');
}

void JsonWriter::value(const QString& text) {
    separate();
    putEscaped({}, text.toUtf8());
}

void JsonWriter::utf8Value(QByteArrayView text) {
    separate();
    putEscaped({}, text);
}

void JsonWriter::value(qint64 number) {
    separate();
    char* out = space(24);
    m_used = std::to_chars(out, out + 24, number).ptr - m_data;
}

void JsonWriter::rawValue(QByteArrayView json) {
    separate();
    put(json);
}

void JsonWriter::timestamp(qint64 seconds) {
    separate();
    char* out = space(ServerTime::isoBufferSize + 2);
    *out++ = '"';
    // Times come mostly day by day: the date of the last one is kept.
    const qint64 day = seconds >= 0 ? seconds / 86400 : -1;
    if (day >= 0 && day == m_day) {
        std::memcpy(out, m_dayText, sizeof m_dayText);
        out += sizeof m_dayText;
        const qint64 rest = seconds % 86400;
        const auto two = [&out](qint64 value) {
            *out++ = char('0' + value / 10);
            *out++ = char('0' + value % 10);
        };
        two(rest / 3600);
        *out++ = ':';
        two(rest % 3600 / 60);
        *out++ = ':';
        two(rest % 60);
        *out++ = 'Z';
    } else {
        const int length = ServerTime::formatIso(seconds, out);
        // "YYYY-MM-DDThh:mm:ssZ" has a date worth keeping.
        m_day = day >= 0 && length == 20 ? day : -1;
        std::memcpy(m_dayText, out, sizeof m_dayText);
        out += length;
    }
    *out++ = '"';
    m_used = out - m_data;
}

void JsonWriter::utf8List(const QByteArrayList& list, QByteArrayView prefix) {
    beginArray();
    for (const QByteArray& s : list) {
        separate();
        putEscaped(prefix, s);
    }
    endArray();
}

QByteArray JsonWriter::quoted(const QString& text) {
    JsonWriter out;
    out.value(text);
    return out.take();
}

void JsonWriter::putEscaped(QByteArrayView prefix, QByteArrayView utf8) {
    put('"');
    putEscapedText(prefix);
    putEscapedText(utf8);
    put('"');
}

void JsonWriter::putEscapedText(QByteArrayView utf8) {
    static const char hex[] = "0123456789abcdef";
    // Each byte takes at most six ("\u001f").
    char* out = space(utf8.size() * 6);
    bool checked = false;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80 && !checked) {
            // Text read from a database may hold sequences that are not
            // UTF-8 (a lone surrogate); JSON readers refuse those, so they
            // become replacement characters.
            checked = true;
            if (!utf8.isValidUtf8()) {
                m_used = out - m_data;
                putEscapedText(QString::fromUtf8(utf8.sliced(i)).toUtf8());
                return;
            }
        }
        if (c >= 0x20 && c != '"' && c != '\\') {
            *out++ = char(c);
            continue;
        }
        *out++ = '\\';
        switch (c) {
        case '"':
        case '\\':
            *out++ = char(c);
            break;
        case '\n':
            *out++ = 'n';
            break;
        case '\r':
            *out++ = 'r';
            break;
        case '\t':
            *out++ = 't';
            break;
        default:
            *out++ = 'u';
            *out++ = '0';
            *out++ = '0';
            *out++ = hex[c >> 4];
            *out++ = hex[c & 15];
        }
    }
    m_used = out - m_data;
}

QByteArray JsonWriter::take() {
    return takeBehind({});
}

QByteArray JsonWriter::takeBehind(const QByteArray& front) {
    m_hasValue.clear();
    m_afterKey = false;
    m_out.truncate(m_used);
    const qsizetype room = std::exchange(m_frontRoom, 0);
    m_data = nullptr;
    m_used = 0;
    if (front.size() > room) {
        QByteArray whole = front;
        whole.append(QByteArrayView(m_out).sliced(room));
        m_out.clear();
        return whole;
    }
    const qsizetype start = room - front.size();
    std::memcpy(m_out.data() + start, front.constData(), size_t(front.size()));
    // Removing from the front only moves the start of the text.
    m_out.remove(0, start);
    return std::move(m_out);
}
