#include "ReportAction.h"

#include "ReportPipeline.h"
#include "ReportWriter.h"
#include "ServerTime.h"
#include "Storage.h"

using namespace Qt::StringLiterals;

namespace {

// "1,2,3" to ids; nothing when any piece is not a whole number.
std::optional<QList<qint64>> parseIds(const QString& text) {
    QList<qint64> ids;
    for (const QString& piece : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 id = piece.trimmed().toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        if (!ids.contains(id))
            ids.append(id);
    }
    return ids;
}

} // namespace

ReportAction::ReportAction(Storage& storage)
    : m_storage(storage) {}

HttpAnswer ReportAction::handle(const ServerUser& user, const QUrlQuery& query) {
    const std::optional<qint64> from =
        ServerTime::parse(query.queryItemValue(u"from"_s, QUrl::FullyDecoded));
    const std::optional<qint64> to =
        ServerTime::parse(query.queryItemValue(u"to"_s, QUrl::FullyDecoded));
    if (!from)
        return HttpAnswer::error(400, u"\"from\" must be an ISO-8601 date and time"_s);
    if (!to)
        return HttpAnswer::error(400, u"\"to\" must be an ISO-8601 date and time"_s);
    if (*to < *from)
        return HttpAnswer::error(400, u"\"to\" lies before \"from\""_s);

    const std::optional<QList<qint64>> userIds =
        parseIds(query.queryItemValue(u"user_ids"_s, QUrl::FullyDecoded));
    const std::optional<QList<qint64>> clientIds =
        parseIds(query.queryItemValue(u"client_ids"_s, QUrl::FullyDecoded));
    if (!userIds)
        return HttpAnswer::error(400, u"\"user_ids\" must be ids separated by commas"_s);
    if (!clientIds)
        return HttpAnswer::error(400, u"\"client_ids\" must be ids separated by commas"_s);
    if (userIds->size() > maxIds || clientIds->size() > maxIds)
        return HttpAnswer::error(400, u"Too many ids"_s);

    // Whatever was asked, a person who is not an administrator gets their own
    // entries only.
    const QList<qint64> people = user.isAdmin ? *userIds : QList<qint64>{user.id};

    // Rows are read here and written out on a second thread meanwhile.
    ReportWriter writer(m_storage.users(), m_storage.clients(), ServerTime::now());
    {
        ReportPipeline pipeline([&writer](const ReportRow& r) { writer.add(r); });
        m_storage.reportRows(*from, *to, people, *clientIds,
                             [&pipeline](const ReportRow& r) { pipeline.push(r); });
        pipeline.finish();
    }
    HttpAnswer answer;
    answer.body = writer.finish(*from, *to);
    return answer;
}
