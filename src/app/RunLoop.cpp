#include "app/RunLoop.h"

#include "api/Api.h"
#include "model/AppModel.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

bool RunLoop::spinUntil(const std::function<bool()>& done, double timeoutSeconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (timeoutSeconds > 0 && elapsed.elapsed() >= qint64(timeoutSeconds * 1000))
            return false;
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void RunLoop::spinFor(double seconds) {
    spinUntil([] { return false; }, seconds);
}

void RunLoop::syncOnce(AppModel& model) {
    bool finished = false;
    Api::sync(model.store(), &model, [&](const SyncSummary& summary) {
        model.setLastSync(summary);
        finished = true;
    });
    spinUntil([&] { return finished; });
}
