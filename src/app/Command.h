#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>

#include <optional>

// One command of the command line, parsed: `zevra-tikit VERB ...`.
struct Command {
    enum class Verb {
        Help,
        Version,
        Status,
        Start,
        Stop,
        Sync,
        Report,
        Import,
        Show,
        Toggle,
        Quit,
        Away
    };

    Verb verb = Verb::Help;
    // status --json
    bool json = false;
    // start TEXT [--client NAME]; away keep|discard|continue (the answer in `text`)
    QString text;
    std::optional<QString> client;
    // report --from DATE --to DATE (--pdf FILE | --json FILE | --csv FILE) [--screenshots]
    QDate from;
    QDate to;
    QString pdfPath;
    QString jsonPath;
    QString csvPath; // "-": standard output
    bool screenshots = false;
    // import FILE [--format NAME] [--client NAME] [--dry-run]; the path is
    // absolute, for the running app; `client` as above.
    QString importPath;
    std::optional<QString> format;
    bool dryRun = false;

    // The form sent to the running app over its local socket.
    QJsonObject toJson() const;
    static std::optional<Command> fromJson(const QJsonObject& object);
};

// What a command gives back: the exit status and the lines for standard
// output and standard error.
struct CommandResult {
    int status = 0;
    QString out;
    QString err;

    static CommandResult ok(const QString& line) { return {0, line, {}}; }
    static CommandResult failed(const QString& line) { return {1, {}, line}; }
    static CommandResult usage(const QString& line) { return {2, {}, line}; }

    QJsonObject toJson() const;
    static CommandResult fromJson(const QJsonObject& object);
};
