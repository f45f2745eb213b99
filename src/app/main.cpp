#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/DiagnosticModes.h"

int main(int argc, char** argv) {
    if (argc > 1)
        return CommandLine::run(argc, argv);
    const DiagnosticMode mode = DiagnosticModes::select();
    if (mode != DiagnosticMode::None)
        return DiagnosticModes::run(mode, argc, argv);
    return AppDelegate::exec(argc, argv);
}
