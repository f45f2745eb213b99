#include "app/LayoutTestMode.h"

#include "app/DiagnosticOutput.h"
#include "app/PanelSwitches.h"
#include "model/AppModel.h"
#include "ui/panel/PopoverViewController.h"

#include <QApplication>
#include <QLayout>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString sizeText(const QSize& size) {
    return u"(%1, %2)"_s.arg(QString::number(double(size.width()), 'f', 1),
                             QString::number(double(size.height()), 'f', 1));
}

QString rectText(const QRect& rect) {
    return u"(%1, %2, %3, %4)"_s.arg(QString::number(double(rect.x()), 'f', 1),
                                     QString::number(double(rect.y()), 'f', 1),
                                     QString::number(double(rect.width()), 'f', 1),
                                     QString::number(double(rect.height()), 'f', 1));
}

void layOut(QWidget& window) {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
    window.layout()->activate();
}

} // namespace

int LayoutTestMode::run() {
    const std::optional<QString> dir = DiagnosticOutput::dataDirectory();
    if (!dir)
        return 1;
    AppModel model(*dir);

    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setFixedSize(420, 660);
    window.setAutoFillBackground(true);
    window.setBackgroundRole(QPalette::Window);
    auto* controller = new PopoverViewController(&model, &window);
    controller->setFixedSize(420, 660);
    auto* box = new QVBoxLayout(&window);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(controller);
    model.setOnChange([controller] { controller->reload(); });

    controller->reload();
    window.show();
    layOut(window);

    PanelSwitches::apply(model, *controller, u"s"_s);
    PanelSwitches::openOverlays(*controller);
    layOut(window);

    const QSize fitting = QLayout::closestAcceptableSize(controller, controller->sizeHint());
    DiagnosticOutput::line(u"fitting size : "_s + sizeText(fitting));
    DiagnosticOutput::line(u"clients      : "_s +
                           QString::number(model.store().db().clients.size()));
    DiagnosticOutput::line(u"entries      : "_s +
                           QString::number(model.store().db().entries.size()));
    const QString snapshot = qEnvironmentVariable("ZEVRA_SNAPSHOT");
    if (!snapshot.isEmpty()) {
        const QPixmap image = controller->grab();
        if (image.save(snapshot, "PNG"))
            DiagnosticOutput::line(u"snapshot     : "_s + snapshot);
        else
            std::fprintf(stderr, "zevra-tikit: could not write %s\n", qPrintable(snapshot));
    }
    const QString details = qEnvironmentVariable("ZEVRA_SNAPSHOT_DETAILS");
    if (!details.isEmpty()) {
        if (QWidget* card = controller->detailsWindow()) {
            if (card->grab().save(details, "PNG"))
                DiagnosticOutput::line(u"details snap : "_s + details + u" "_s +
                                       rectText(card->rect()));
            else
                std::fprintf(stderr, "zevra-tikit: could not write %s\n", qPrintable(details));
        }
    }
    model.setOnChange(nullptr);
    DiagnosticOutput::line(u"layout test  : OK"_s);
    return 0;
}
