#include "update/Release.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A text field: absent or null is nothing; any other type fails the decode.
bool readText(const QJsonObject& object, const char* key, std::optional<QString>& out) {
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

} // namespace

std::optional<Release> Release::fromJson(const QByteArray& body) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    Release r;
    if (!readText(o, "version", r.version) || !readText(o, "url", r.url) ||
        !readText(o, "notes", r.notes) || !readText(o, "pub_date", r.pubDate) ||
        !readText(o, "min_macos", r.minMacos) || !readText(o, "sha256", r.sha256))
        return std::nullopt;
    return r;
}
