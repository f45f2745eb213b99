#pragma once

#include <optional>

// The environment switches that run a headless check or an off-screen render
// instead of the tray application. Read once at process start, in a fixed
// order; the first that applies decides the run.
enum class DiagnosticMode {
    None,
    SyncTest,
    ShotTest,
    ReportSynth,
    ReportWindow,
    UpdateTest,
    ReportTest,
    LayoutTest,
};

class DiagnosticModes {
public:
    // The mode the environment asks for.
    static DiagnosticMode select();
    // Creates the application object the mode needs, runs it and gives the
    // process exit status.
    static int run(DiagnosticMode mode, int& argc, char** argv);
    // Whether the mode draws (and so needs a GUI application).
    static bool needsGui(DiagnosticMode mode);
    // Whether the mode opens the data folder's database (and so may save).
    static bool opensDataFolder(DiagnosticMode mode);
};
