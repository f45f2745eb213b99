#include "app/AppDelegate.h"
#include "app/DiagnosticModes.h"

int main(int argc, char** argv) {
    const DiagnosticMode mode = DiagnosticModes::select();
    if (mode != DiagnosticMode::None)
        return DiagnosticModes::run(mode, argc, argv);
    return AppDelegate::exec(argc, argv);
}
