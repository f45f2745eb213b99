#include "model/AwayQuestion.h"

#include "model/JsonReader.h"
#include "model/Time.h"

using namespace Qt::StringLiterals;

qint64 AwayQuestion::seconds() const {
    const std::optional<QDateTime> start = Time::parse(from);
    const std::optional<QDateTime> end = Time::parse(to);
    return start && end ? qMax<qint64>(0, start->secsTo(*end)) : 0;
}

QString AwayQuestion::text() const {
    const auto clock = [](const QString& iso) {
        const std::optional<QDateTime> t = Time::parse(iso);
        return t ? t->toLocalTime().toString(u"HH:mm"_s) : iso;
    };
    return u"You were away from "_s + clock(from) + u" to "_s + clock(to) + u" ("_s +
           Time::hms(double(seconds())) + u")."_s;
}

QJsonObject AwayQuestion::toJson() const {
    return QJsonObject{{"from"_L1, from}, {"to"_L1, to}, {"entry_id"_L1, entryId}};
}

std::optional<AwayQuestion> AwayQuestion::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    AwayQuestion q;
    q.from = r.text("from"_L1);
    q.to = r.text("to"_L1);
    q.entryId = r.text("entry_id"_L1);
    if (!r.ok())
        return std::nullopt;
    return q;
}
