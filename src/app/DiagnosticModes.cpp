#include "app/DiagnosticModes.h"

#include "app/ReportSynthMode.h"
#include "app/ReportTestMode.h"
#include "app/ShotTestMode.h"
#include "app/SyncTestMode.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

bool isSet(const char* name) {
    return qEnvironmentVariableIsSet(name);
}

// A whole number, as the synthetic report wants it.
bool isWholeNumber(const QByteArray& text) {
    bool ok = false;
    text.trimmed().toLongLong(&ok);
    return ok;
}

} // namespace

DiagnosticMode DiagnosticModes::select() {
    if (isSet("ZEVRA_SYNC_TEST"))
        return DiagnosticMode::SyncTest;
    if (isSet("ZEVRA_SHOT_TEST"))
        return DiagnosticMode::ShotTest;
    if (isSet("ZEVRA_REPORT_SYNTH") && isSet("ZEVRA_REPORT_TEST") &&
        isWholeNumber(qgetenv("ZEVRA_REPORT_SYNTH")))
        return DiagnosticMode::ReportSynth;
    if (isSet("ZEVRA_REPORT_WINDOW"))
        return DiagnosticMode::ReportWindow;
    if (isSet("ZEVRA_UPDATE_TEST"))
        return DiagnosticMode::UpdateTest;
    if (isSet("ZEVRA_REPORT_TEST"))
        return DiagnosticMode::ReportTest;
    if (isSet("ZEVRA_LAYOUT_TEST") || isSet("ZEVRA_SNAPSHOT"))
        return DiagnosticMode::LayoutTest;
    return DiagnosticMode::None;
}

bool DiagnosticModes::needsGui(DiagnosticMode mode) {
    switch (mode) {
    case DiagnosticMode::SyncTest:
    case DiagnosticMode::ShotTest:
        return false;
    default:
        return true;
    }
}

int DiagnosticModes::run(DiagnosticMode mode, int& argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (needsGui(mode)) {
        // Off-screen rendering: no display is needed or touched.
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    switch (mode) {
    case DiagnosticMode::SyncTest:
        return SyncTestMode::run();
    case DiagnosticMode::ShotTest:
        return ShotTestMode::run();
    case DiagnosticMode::ReportSynth:
        return ReportSynthMode::run(qgetenv("ZEVRA_REPORT_SYNTH"),
                                    qEnvironmentVariable("ZEVRA_REPORT_TEST"));
    case DiagnosticMode::ReportTest:
        return ReportTestMode::run(qEnvironmentVariable("ZEVRA_REPORT_TEST"));
    case DiagnosticMode::ReportWindow:
    case DiagnosticMode::UpdateTest:
    case DiagnosticMode::LayoutTest:
        std::fprintf(stderr, "zevra-tikit: this diagnostic mode is not built yet\n");
        return 2;
    case DiagnosticMode::None:
        break;
    }
    return 0;
}
