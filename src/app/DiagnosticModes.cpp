#include "app/DiagnosticModes.h"

#include "app/DiagnosticOutput.h"
#include "app/LayoutTestMode.h"
#include "app/ReportSynthMode.h"
#include "app/ReportTestMode.h"
#include "app/ReportWindowMode.h"
#include "app/ShotTestMode.h"
#include "app/SingleInstance.h"
#include "app/SyncTestMode.h"
#include "app/UpdateTestMode.h"

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

bool DiagnosticModes::opensDataFolder(DiagnosticMode mode) {
    switch (mode) {
    case DiagnosticMode::SyncTest:
    case DiagnosticMode::ShotTest:
    case DiagnosticMode::ReportTest:
    case DiagnosticMode::ReportWindow:
    case DiagnosticMode::UpdateTest:
    case DiagnosticMode::LayoutTest:
        return true;
    default:
        return false;
    }
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

    // Modes that work on the data folder may save: they wait for the running
    // copy's lock like any other writer, unless saving is off.
    std::unique_ptr<SingleInstance> lock;
    if (opensDataFolder(mode) && !qEnvironmentVariableIsSet("ZEVRA_NO_SAVE")) {
        const std::optional<QString> dir = DiagnosticOutput::dataDirectory();
        if (!dir)
            return 1;
        lock = std::make_unique<SingleInstance>(*dir);
        if (!lock->tryLock(SingleInstance::lockWaitMs)) {
            std::fprintf(stderr,
                         "zevra-tikit: another copy is using %s; quit it or set ZEVRA_NO_SAVE\n",
                         qPrintable(*dir));
            return 1;
        }
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
    case DiagnosticMode::UpdateTest:
        return UpdateTestMode::run();
    case DiagnosticMode::ReportWindow:
        return ReportWindowMode::run(qEnvironmentVariable("ZEVRA_REPORT_WINDOW"));
    case DiagnosticMode::LayoutTest:
        return LayoutTestMode::run();
    case DiagnosticMode::None:
        break;
    }
    return 0;
}
