#include "exchange/ReportExport.h"

#include "api/Api.h"
#include "exchange/CsvReport.h"
#include "model/Store.h"
#include "model/Text.h"
#include "reports/PDFReport.h"
#include "reports/ReportPeriod.h"

#include <QJsonDocument>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int maxShotsPerEntry = 6;

} // namespace

QString ReportExport::suggestedName(const QDate& from, const QDate& to, Kind kind) {
    return u"Zevra-Report_"_s + from.toString(u"yyyy-MM-dd"_s) + u'_' +
           to.toString(u"yyyy-MM-dd"_s) +
           (kind == Kind::Pdf   ? u".pdf"_s
            : kind == Kind::Csv ? u".csv"_s
                                : u".json"_s);
}

QString ReportExport::periodLabel(const QDate& from, const QDate& to) {
    return from.toString(u"dd/MM/yy"_s) + u" - "_s + to.toString(u"dd/MM/yy"_s);
}

QByteArray ReportExport::json(const Report& report) {
    // Qt's writer sorts keys and never escapes "/".
    return QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented);
}

std::optional<QString> ReportExport::filterLine(const QList<qint64>& clientIds,
                                                const QList<Client>& clients, bool isAdmin,
                                                const QList<qint64>& userIds,
                                                const QList<ReportUser>& users) {
    QStringList parts;
    if (clientIds.size() == 1) {
        const auto known = std::find_if(clients.begin(), clients.end(), [&](const Client& c) {
            return c.serverId == clientIds.first();
        });
        parts.append(known != clients.end() ? u"Client: "_s + known->name
                                            : u"Clients: 1 selected"_s);
    } else if (!clientIds.isEmpty()) {
        parts.append(u"Clients: %1 selected"_s.arg(clientIds.size()));
    }
    if (isAdmin && userIds.size() == 1) {
        const auto known = std::find_if(users.begin(), users.end(), [&](const ReportUser& u) {
            return u.id == userIds.first();
        });
        parts.append(known != users.end() ? u"Person: "_s + known->name : u"People: 1 selected"_s);
    } else if (isAdmin && !userIds.isEmpty()) {
        parts.append(u"People: %1 selected"_s.arg(userIds.size()));
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(u"  ·  "_s);
}

void ReportExport::run(const Store& store, const Request& request, QObject* context,
                       std::function<void(const QString&)> progress,
                       std::function<void(const Outcome&)> done) {
    const auto say = [progress](const QString& text) {
        if (progress)
            progress(text);
    };
    const std::optional<QueryInterval> interval =
        ReportPeriod::queryInterval(request.from, request.to);
    if (!interval) {
        done(Outcome{{}, u"The “to” date must be on or after the “from” date."_s, false});
        return;
    }
    say(u"Building report…"_s);
    const QString base = Text::serverBase(store.db().settings.server);
    Api::fetchReport(
        store, interval->from, interval->to, request.userIds, request.clientIds, context,
        [request, base, context, say, done](const ApiResult<Report>& result) {
            if (!result.ok())
                return done(Outcome{{}, result.error().message, false});
            const Report report = result.value();
            const bool empty = report.entries.isEmpty();
            if (request.kind == Kind::Json)
                return done(Outcome{json(report), std::nullopt, empty});
            if (request.kind == Kind::Csv)
                return done(Outcome{CsvReport::csv(report, QTimeZone::systemTimeZone()),
                                    std::nullopt, empty});

            const PDFReport::Meta meta{u"Detailed report"_s, periodLabel(request.from, request.to),
                                       request.filters};
            const auto finish = [report, meta, empty, done](const PDFReport::Screenshots& shots) {
                const QByteArray data = PDFReport::data(report, meta, shots);
                if (data.isEmpty())
                    return done(Outcome{{}, u"Could not build the file."_s, empty});
                done(Outcome{data, std::nullopt, empty});
            };
            if (!request.screenshots || empty)
                return finish({});
            Api::downloadScreenshots(
                base, report.entries, maxShotsPerEntry, context, finish,
                [say](int fetched, int total) {
                    say(u"Downloading screenshots %1 of %2…"_s.arg(fetched).arg(total));
                });
        });
}
