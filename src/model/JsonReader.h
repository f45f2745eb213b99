#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// Reads the fields of one JSON object for a record decoder. A missing or
// mistyped required field, or a mistyped optional one, marks the reader failed;
// the decoder then gives nothing. Optional fields that are absent or null read
// as nothing.
class JsonReader {
public:
    explicit JsonReader(const QJsonValue& value);

    bool ok() const { return m_ok; }
    void fail() { m_ok = false; }

    QString text(QLatin1StringView key);
    std::optional<QString> optionalText(QLatin1StringView key);
    qint64 integer(QLatin1StringView key);
    std::optional<qint64> optionalInteger(QLatin1StringView key);
    bool flag(QLatin1StringView key);
    std::optional<bool> optionalFlag(QLatin1StringView key);

    // Arrays whose elements are decoded by `decode`, a function from a
    // QJsonValue to std::optional<T>.
    template <class T, class Decode>
    QList<T> list(QLatin1StringView key, Decode decode) {
        const QJsonValue v = m_object.value(key);
        if (!v.isArray()) {
            m_ok = false;
            return {};
        }
        return decodeArray<T>(v.toArray(), decode);
    }

    template <class T, class Decode>
    std::optional<QList<T>> optionalList(QLatin1StringView key, Decode decode) {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        if (!v.isArray()) {
            m_ok = false;
            return std::nullopt;
        }
        return decodeArray<T>(v.toArray(), decode);
    }

    template <class T, class Decode>
    std::optional<T> object(QLatin1StringView key, Decode decode) {
        std::optional<T> result = decode(m_object.value(key));
        if (!result)
            m_ok = false;
        return result;
    }

    template <class T, class Decode>
    std::optional<T> optionalObject(QLatin1StringView key, Decode decode) {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        std::optional<T> result = decode(v);
        if (!result)
            m_ok = false;
        return result;
    }

    // Decoders of plain values for use with list() and optionalList().
    static std::optional<QString> textValue(const QJsonValue& v);
    static std::optional<qint64> integerValue(const QJsonValue& v);

private:
    template <class T, class Decode>
    QList<T> decodeArray(const QJsonArray& array, Decode decode) {
        QList<T> out;
        out.reserve(array.size());
        for (const QJsonValue& element : array) {
            std::optional<T> item = decode(element);
            if (!item) {
                m_ok = false;
                return {};
            }
            out.append(std::move(*item));
        }
        return out;
    }

    QJsonObject m_object;
    bool m_ok = true;
};

// Writing side: absent optional fields are left out.
namespace JsonWrite {
template <class T>
void optional(QJsonObject& object, QLatin1StringView key, const std::optional<T>& value) {
    if (value)
        object.insert(key, *value);
}
} // namespace JsonWrite
