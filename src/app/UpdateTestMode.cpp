#include "app/UpdateTestMode.h"

#include "api/Api.h"
#include "app/DiagnosticOutput.h"
#include "app/RunLoop.h"
#include "model/AppModel.h"
#include "update/UpdateChecker.h"
#include "update/UpdatePresenter.h"
#include "update/UpdateSteps.h"

using namespace Qt::StringLiterals;

namespace {

constexpr double releaseWaitSeconds = 8.0;
constexpr double installWaitSeconds = 10.0;

// Failures as lines; the mode ends when the install stops or hands over.
class PrintingPresenter : public UpdatePresenter {
public:
    bool finished = false;

    void upToDate(const QString&) override {}
    void failed(const QString& message) override {
        DiagnosticOutput::line(message);
        finished = true;
    }
    void progress(const QString&, double) override {}
    void closeProgress() override { finished = true; }
    void terminate() override { finished = true; }
};

QString comparison(const char* label, const QString& a, const QString& b) {
    return QString::fromLatin1(label) + u' ' + DiagnosticOutput::flag(UpdateSteps::isNewer(a, b));
}

} // namespace

int UpdateTestMode::run() {
    DiagnosticOutput::line(comparison("isNewer 0.3.0>0.2.0 :", u"0.3.0"_s, u"0.2.0"_s));
    DiagnosticOutput::line(comparison("isNewer 0.2.0>0.2.0 :", u"0.2.0"_s, u"0.2.0"_s));
    DiagnosticOutput::line(comparison("isNewer 0.2.1>0.2.0 :", u"0.2.1"_s, u"0.2.0"_s));
    DiagnosticOutput::line(comparison("isNewer 0.10.0>0.9.0:", u"0.10.0"_s, u"0.9.0"_s));
    DiagnosticOutput::line(u"current version  : "_s + UpdateChecker::currentVersion());

    const std::optional<QString> dir = DiagnosticOutput::dataDirectory();
    if (!dir)
        return 1;
    AppModel model(*dir);
    RunLoop::syncOnce(model);

    PrintingPresenter presenter;
    UpdateChecker checker(presenter);
    checker.setKeepScriptOutput(true);
    std::optional<Release> found;
    checker.onAvailable = [&found](const Release& release) { found = release; };
    checker.check(model.store(), false);
    RunLoop::spinUntil([&] { return found || !checker.checking(); }, releaseWaitSeconds);
    if (!found) {
        DiagnosticOutput::line(u"no newer release published"_s);
        return 0;
    }
    DiagnosticOutput::line(u"AVAILABLE        : "_s + found->version.value_or(u"?"_s) + u"  "_s +
                           found->url.value_or(QString()));
    if (qEnvironmentVariableIsSet("ZEVRA_UPDATE_DRYRUN") ||
        qEnvironmentVariableIsSet("ZEVRA_UPDATE_INSTALL")) {
        checker.install(*found, model.store());
        RunLoop::spinUntil([&] { return presenter.finished; }, installWaitSeconds);
    }
    return 0;
}
