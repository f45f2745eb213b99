#include "app/SyncTestMode.h"

#include "api/Api.h"
#include "app/DiagnosticOutput.h"
#include "app/RunLoop.h"
#include "model/AppModel.h"

using namespace Qt::StringLiterals;

int SyncTestMode::run() {
    const std::optional<QString> dir = DiagnosticOutput::dataDirectory();
    if (!dir)
        return 1;
    AppModel model(*dir);

    RunLoop::syncOnce(model);

    const std::optional<SyncSummary>& summary = model.lastSync();
    DiagnosticOutput::line(u"online : "_s + DiagnosticOutput::flag(summary && summary->online));
    DiagnosticOutput::line(u"error  : "_s +
                           (summary && summary->error ? *summary->error : u"nil"_s));
    DiagnosticOutput::line(u"clients: "_s + QString::number(model.store().db().clients.size()));
    DiagnosticOutput::line(u"entries: "_s + QString::number(model.store().db().entries.size()));
    return 0;
}
