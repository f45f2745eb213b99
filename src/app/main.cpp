#include "app/DiagnosticModes.h"

#include <cstdio>

int main(int argc, char** argv) {
    const DiagnosticMode mode = DiagnosticModes::select();
    if (mode != DiagnosticMode::None)
        return DiagnosticModes::run(mode, argc, argv);

    std::fprintf(stderr, "zevra-tikit: the tray interface is not built yet\n");
    return 2;
}
