#include "model/Screenshot.h"

#include "model/JsonReader.h"
#include "model/JsonTextWriter.h"

using namespace Qt::StringLiterals;

QJsonObject Screenshot::toJson() const {
    QJsonObject o;
    JsonWrite::optional(o, "server"_L1, server);
    JsonWrite::optional(o, "file"_L1, file);
    return o;
}

std::optional<Screenshot> Screenshot::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    Screenshot s;
    s.server = r.optionalText("server"_L1);
    s.file = r.optionalText("file"_L1);
    if (!r.ok())
        return std::nullopt;
    return s;
}

void Screenshot::writeJson(JsonTextWriter& w) const {
    w.beginObject();
    w.optional("file"_L1, file);
    w.optional("server"_L1, server);
    w.endObject();
}
