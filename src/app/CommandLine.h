#pragma once

#include "app/Command.h"
#include "model/Db.h"

#include <QString>
#include <QStringList>

#include <optional>

// `zevra-tikit VERB ...`: the tracker from a terminal or a status bar. Verbs
// that change data are carried out by the running app when there is one (so
// there is only ever one writer of db.json); otherwise the command takes the
// data folder's lock and works on the database itself.
class CommandLine {
public:
    // The arguments after the program's name; nothing with `error` set for a
    // usage error.
    static std::optional<Command> parse(const QStringList& args, QString* error);
    static QString help();
    // Runs one command; gives the exit status (0, 1 failure, 2 usage).
    static int run(int& argc, char** argv);

private:
    static CommandResult status(const QString& dataDirectory, bool json);
    static CommandResult change(const QString& dataDirectory, const Command& command);
    static CommandResult changeUnderLock(const QString& dataDirectory, const Command& command);
    static CommandResult report(const QString& dataDirectory, const Command& command);
};
