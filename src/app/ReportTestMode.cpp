#include "app/ReportTestMode.h"

#include "api/Api.h"
#include "app/DiagnosticOutput.h"
#include "app/RunLoop.h"
#include "model/AppModel.h"
#include "model/Clock.h"
#include "reports/PDFReport.h"
#include "reports/ReportFile.h"
#include "reports/ReportPeriod.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
constexpr int reportDays = 90;
}

int ReportTestMode::run(const QString& path) {
    const std::optional<QString> dir = DiagnosticOutput::dataDirectory();
    if (!dir)
        return 1;
    AppModel model(*dir);

    RunLoop::syncOnce(model);

    const Settings& settings = model.store().db().settings;
    DiagnosticOutput::line(u"user   : "_s + settings.userName + u" (id "_s +
                           (settings.userId ? QString::number(*settings.userId) : u"nil"_s) +
                           u", admin "_s + DiagnosticOutput::flag(settings.isAdmin) + u")"_s);

    bool fetchedUsers = false;
    QStringList names;
    Api::fetchUsers(model.store(), &model, [&](const QList<ReportUser>& users) {
        for (const ReportUser& user : users)
            names.append(user.name);
        fetchedUsers = true;
    });
    RunLoop::spinUntil([&] { return fetchedUsers; });
    DiagnosticOutput::line(u"users  : "_s + DiagnosticOutput::array(names));

    const QDate today = Clock::now().toLocalTime().date();
    const QDate firstDay = ReportPeriod::shifted(today, -reportDays);
    const std::optional<QueryInterval> interval = ReportPeriod::queryInterval(firstDay, today);
    std::optional<ApiResult<Report>> result;
    Api::fetchReport(model.store(), interval->from, interval->to, {}, {}, &model,
                     [&](const ApiResult<Report>& r) { result = r; });
    RunLoop::spinUntil([&] { return result.has_value(); });

    if (!result->ok()) {
        DiagnosticOutput::line(u"error  : "_s + result->error().message);
        return 1;
    }
    const Report& report = result->value();
    DiagnosticOutput::line(u"entries: "_s + QString::number(report.entries.size()) +
                           u"  total: "_s + QString::number(report.total) + u"s"_s);

    const QString dateFormat = u"dd/MM/yyyy"_s;
    const PDFReport::Meta meta{
        u"Detailed report"_s, firstDay.toString(dateFormat) + u" - "_s + today.toString(dateFormat),
        u"All clients"_s};
    const QByteArray pdf = PDFReport::data(report, meta, {});
    if (const std::optional<QString> error = ReportFile::write(path, pdf)) {
        std::fprintf(stderr, "zevra-tikit: %s: %s\n", qPrintable(path), qPrintable(*error));
        return 1;
    }
    DiagnosticOutput::line(u"pdf    : "_s + QString::number(pdf.size()) + u" bytes -> "_s + path);
    return 0;
}
