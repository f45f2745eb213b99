#include "app/ReportWindowMode.h"

#include "api/Api.h"
#include "app/DiagnosticOutput.h"
#include "app/RunLoop.h"
#include "model/AppModel.h"
#include "ui/report/CheckList.h"
#include "ui/report/ReportWindowController.h"

#include <QCoreApplication>
#include <QLayout>
#include <QPixmap>
#include <QWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr double loadSeconds = 3.0;

void layOut(QWidget& window) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    window.layout()->activate();
}

} // namespace

int ReportWindowMode::run(const QString& path) {
    const std::optional<QString> dir = DiagnosticOutput::dataDirectory();
    if (!dir)
        return 1;
    AppModel model(*dir);
    RunLoop::syncOnce(model);

    ReportWindowController controller(&model);
    QWidget* window = controller.prepareForSnapshot();
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    RunLoop::spinFor(loadSeconds);

    if (qEnvironmentVariableIsSet("ZEVRA_REPORT_SELECTALL")) {
        controller.selectAllClients();
        controller.selectEveryone();
        DiagnosticOutput::line(u"selected after Select All -> clients: %1, people: %2"_s
                                   .arg(controller.clientList()->selectedIds().size())
                                   .arg(controller.peopleList()->selectedIds().size()));
    }
    layOut(*window);
    const QSize size = window->size();
    if (!window->grab().save(path, "PNG")) {
        std::fprintf(stderr, "zevra-tikit: could not write %s\n", qPrintable(path));
        return 1;
    }
    DiagnosticOutput::line(u"report window: (%1, %2) -> %3"_s.arg(
        QString::number(double(size.width()), 'f', 1),
        QString::number(double(size.height()), 'f', 1), path));
    return 0;
}
