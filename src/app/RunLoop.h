#pragma once

#include <functional>

class AppModel;

// Waiting in the headless modes: spins the main event loop in steps of 50 ms
// until `done` holds or `timeoutSeconds` (when positive) have passed. Gives
// whether `done` held.
class RunLoop {
public:
    static bool spinUntil(const std::function<bool()>& done, double timeoutSeconds = 0);
    static void spinFor(double seconds);
    // One sync exchange of the model's store, waited for; the model keeps its
    // summary.
    static void syncOnce(AppModel& model);
};
