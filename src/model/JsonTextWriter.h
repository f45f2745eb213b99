#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <optional>

// Writes JSON text directly, in exactly the layout of QJsonDocument's indented
// output (four spaces per level, "key": value, escapes as Qt writes them), so
// large files are produced without building a QJsonObject tree first. Keys
// must be written in sorted order, as QJsonObject keeps them.
class JsonTextWriter {
public:
    explicit JsonTextWriter(QByteArray& out, int level = 0)
        : m_out(out)
        , m_level(level) {}

    void beginObject() { begin('{'); }
    void endObject() { end('}'); }
    void beginArray() { begin('['); }
    void endArray() { end(']'); }

    // A member of the current object; its value follows.
    void key(QLatin1StringView name);
    // The position of the next array element.
    void element();

    void value(const QString& text);
    void value(qint64 number);
    void value(bool flag);
    // Pre-encoded text of a complete value written at the current level.
    void raw(const QByteArray& encoded);

    // Members of the current object whose value may be absent.
    void optional(QLatin1StringView name, const std::optional<QString>& text);
    void optional(QLatin1StringView name, const std::optional<qint64>& number);

    int level() const { return m_level; }

    static void appendEscaped(QByteArray& out, const QString& text);

private:
    void begin(char bracket);
    void end(char bracket);
    void separate();
    void indent(int level);

    QByteArray& m_out;
    int m_level;
    bool m_first = true;
    // Nesting, innermost last: whether the container has no member yet.
    QList<bool> m_firstStack;
};
