#include "model/JsonReader.h"

#include <limits>

JsonReader::JsonReader(const QJsonValue& value)
    : m_object(value.toObject())
    , m_ok(value.isObject()) {}

std::optional<QString> JsonReader::textValue(const QJsonValue& v) {
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

std::optional<qint64> JsonReader::integerValue(const QJsonValue& v) {
    if (!v.isDouble())
        return std::nullopt;
    // toInteger() gives its default for values that are not whole numbers that
    // fit; asking with two different defaults tells them apart from real values.
    const qint64 a = v.toInteger(std::numeric_limits<qint64>::min());
    const qint64 b = v.toInteger(std::numeric_limits<qint64>::max());
    if (a != b)
        return std::nullopt;
    return a;
}

QString JsonReader::text(QLatin1StringView key) {
    std::optional<QString> v = textValue(m_object.value(key));
    if (!v) {
        m_ok = false;
        return {};
    }
    return *v;
}

std::optional<QString> JsonReader::optionalText(QLatin1StringView key) {
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isString()) {
        m_ok = false;
        return std::nullopt;
    }
    return v.toString();
}

qint64 JsonReader::integer(QLatin1StringView key) {
    std::optional<qint64> v = integerValue(m_object.value(key));
    if (!v) {
        m_ok = false;
        return 0;
    }
    return *v;
}

std::optional<qint64> JsonReader::optionalInteger(QLatin1StringView key) {
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    std::optional<qint64> n = integerValue(v);
    if (!n)
        m_ok = false;
    return n;
}

bool JsonReader::flag(QLatin1StringView key) {
    const QJsonValue v = m_object.value(key);
    if (!v.isBool()) {
        m_ok = false;
        return false;
    }
    return v.toBool();
}

std::optional<bool> JsonReader::optionalFlag(QLatin1StringView key) {
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isBool()) {
        m_ok = false;
        return std::nullopt;
    }
    return v.toBool();
}
