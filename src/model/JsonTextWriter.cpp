#include "model/JsonTextWriter.h"

void JsonTextWriter::indent(int level) {
    m_out.append(level * 4, ' ');
}

void JsonTextWriter::begin(char bracket) {
    m_out.append(bracket);
    m_firstStack.append(m_first);
    m_first = true;
    ++m_level;
}

void JsonTextWriter::end(char bracket) {
    --m_level;
    m_out.append('\n');
    indent(m_level);
    m_out.append(bracket);
    m_first = m_firstStack.takeLast();
}

void JsonTextWriter::separate() {
    m_out.append(m_first ? "\n" : ",\n");
    m_first = false;
    indent(m_level);
}

void JsonTextWriter::key(QLatin1StringView name) {
    separate();
    m_out.append('"');
    m_out.append(name.data(), name.size());
    m_out.append("\": ");
}

void JsonTextWriter::element() {
    separate();
}

void JsonTextWriter::value(const QString& text) {
    m_out.append('"');
    appendEscaped(m_out, text);
    m_out.append('"');
}

void JsonTextWriter::value(qint64 number) {
    m_out.append(QByteArray::number(number));
}

void JsonTextWriter::value(bool flag) {
    m_out.append(flag ? "true" : "false");
}

void JsonTextWriter::raw(const QByteArray& encoded) {
    m_out.append(encoded);
}

void JsonTextWriter::optional(QLatin1StringView name, const std::optional<QString>& text) {
    if (text) {
        key(name);
        value(*text);
    }
}

void JsonTextWriter::optional(QLatin1StringView name, const std::optional<qint64>& number) {
    if (number) {
        key(name);
        value(*number);
    }
}

namespace {
const char hexDigits[] = "0123456789abcdef";

void appendUnicodeEscape(QByteArray& out, char16_t unit) {
    out.append("\\u");
    out.append(hexDigits[(unit >> 12) & 0xf]);
    out.append(hexDigits[(unit >> 8) & 0xf]);
    out.append(hexDigits[(unit >> 4) & 0xf]);
    out.append(hexDigits[unit & 0xf]);
}
} // namespace

void JsonTextWriter::appendEscaped(QByteArray& out, const QString& text) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const e = p + text.size();
    while (p < e) {
        const char16_t u = *p++;
        if (u < 0x80) {
            switch (u) {
            case u'"':
                out.append("\\\"");
                break;
            case u'\\':
                out.append("\\\\");
                break;
            case u'\b':
                out.append("\\b");
                break;
            case u'\f':
                out.append("\\f");
                break;
            case u'\n':
                out.append("\\n");
                break;
            case u'\r':
                out.append("\\r");
                break;
            case u'\t':
                out.append("\\t");
                break;
            default:
                if (u < 0x20)
                    appendUnicodeEscape(out, u);
                else
                    out.append(char(u));
            }
        } else if (u < 0x800) {
            out.append(char(0xc0 | (u >> 6)));
            out.append(char(0x80 | (u & 0x3f)));
        } else if (QChar::isHighSurrogate(u) && p < e && QChar::isLowSurrogate(*p)) {
            const char32_t c = QChar::surrogateToUcs4(u, *p++);
            out.append(char(0xf0 | (c >> 18)));
            out.append(char(0x80 | ((c >> 12) & 0x3f)));
            out.append(char(0x80 | ((c >> 6) & 0x3f)));
            out.append(char(0x80 | (c & 0x3f)));
        } else if (QChar::isSurrogate(u)) {
            appendUnicodeEscape(out, u); // a lone half of a pair
        } else {
            out.append(char(0xe0 | (u >> 12)));
            out.append(char(0x80 | ((u >> 6) & 0x3f)));
            out.append(char(0x80 | (u & 0x3f)));
        }
    }
}
