#pragma once

#include "app/Command.h"
#include "model/SyncSummary.h"

#include <QDateTime>
#include <QPointer>

#include <functional>
#include <optional>

class AppModel;
struct Db;

// Carries out the command line's verbs on a tracking model: the running app
// does it for commands that reach it over its local socket, the command line
// itself when no app runs. Main thread only.
class CommandRunner {
public:
    using Done = std::function<void(const CommandResult&)>;

    // start, stop, sync, import and away; `done` runs once, on the main thread.
    static void run(AppModel& model, const Command& command, Done done);
    // The status line (or its JSON for status bars) from a database value.
    static QString status(const Db& db, const QDateTime& now, bool json);

private:
    static CommandResult start(AppModel& model, const Command& command);
    static CommandResult stop(AppModel& model);
    static void sync(AppModel& model, Done done);
    // Runs `next` once no sync is under way.
    static void whenIdle(QPointer<AppModel> target, std::function<void()> next);
    static CommandResult syncResult(const std::optional<SyncSummary>& summary);
};
