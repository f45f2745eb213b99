#include "app/CommandLine.h"

#include "api/Api.h"
#include "app/CommandRunner.h"
#include "app/RunLoop.h"
#include "app/SingleInstance.h"
#include "exchange/ImportParser.h"
#include "exchange/ReportExport.h"
#include "model/AppModel.h"
#include "model/AwayTracker.h"
#include "model/Clock.h"
#include "reports/ReportFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

void print(FILE* stream, const QString& line) {
    if (line.isEmpty())
        return;
    std::fputs(line.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

std::optional<QDate> dateArgument(const QString& text) {
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace

QString CommandLine::help() {
    return uR"(Usage: zevra-tikit [VERB ...]
Without a verb, starts the tray app. With the app running, verbs that change
data are carried out by it.

  status [--json]              The running timer in one line (--json for
                               waybar and i3blocks custom modules).
                                 zevra-tikit status --json
  start TEXT [--client NAME]   Starts a timer, stopping the running one.
                                 zevra-tikit start "Design review" --client Acme
  stop                         Stops the running timer.
                                 zevra-tikit stop
  sync                         Sends and receives changes now.
                                 zevra-tikit sync
  toggle                       Opens or closes the running app's panel under
                               the pointer, for a key binding.
                                 bindsym $mod+t exec zevra-tikit toggle
  away keep|discard|continue   Answers the question about away time: keep it,
                               end the entry when you left, or end it then
                               and start it again now.
                                 zevra-tikit away discard
  quit                         Ends the running app.
                                 zevra-tikit quit
  report --from DATE --to DATE (--pdf FILE | --json FILE | --csv FILE) [--screenshots]
                               Writes the report of whole days, from the
                               server, as PDF (with screenshots if asked),
                               JSON or CSV (- for standard output).
                                 zevra-tikit report --from 2026-03-01 --to 2026-03-31 --pdf march.pdf
  import FILE [--format timewarrior|csv|zevra] [--client NAME] [--dry-run]
                               Adds the finished entries of another tracker's
                               file (the format is guessed when not given);
                               --client for entries that name none.
                                 timew export > tw.json && zevra-tikit import tw.json
  --help                       This text.
  --version                    The version.)"_s;
}

std::optional<Command> CommandLine::parse(const QStringList& args, QString* error) {
    const auto fail = [error](const QString& message) -> std::optional<Command> {
        *error = message;
        return std::nullopt;
    };
    Command c;
    if (args.isEmpty() || args[0] == u"--help"_s || args[0] == u"-h"_s || args[0] == u"help"_s) {
        c.verb = Command::Verb::Help;
        return args.size() <= 1 ? std::optional(c) : fail(u"--help takes no arguments."_s);
    }
    const QString verb = args[0];
    QStringList rest = args.mid(1);
    // "--name value" options of a verb; `allowed` lists those that take a value.
    const auto takeValue = [&rest](const QString& name, std::optional<QString>* value) -> bool {
        const qsizetype at = rest.indexOf(name);
        if (at < 0)
            return true;
        if (at + 1 >= rest.size() || value->has_value())
            return false;
        *value = rest[at + 1];
        rest.remove(at, 2);
        return rest.indexOf(name) < 0;
    };
    const auto takeFlag = [&rest](const QString& name) { return rest.removeAll(name) > 0; };

    if (verb == u"--version"_s) {
        c.verb = Command::Verb::Version;
    } else if (verb == u"status"_s) {
        c.verb = Command::Verb::Status;
        c.json = takeFlag(u"--json"_s);
    } else if (verb == u"start"_s) {
        c.verb = Command::Verb::Start;
        if (!takeValue(u"--client"_s, &c.client))
            return fail(u"--client needs one client name."_s);
        if (rest.size() != 1 || rest[0].startsWith(u"--"_s))
            return fail(u"start needs the text of what you work on, in quotes."_s);
        c.text = rest.takeFirst();
    } else if (verb == u"stop"_s) {
        c.verb = Command::Verb::Stop;
    } else if (verb == u"sync"_s) {
        c.verb = Command::Verb::Sync;
    } else if (verb == u"toggle"_s) {
        c.verb = Command::Verb::Toggle;
    } else if (verb == u"quit"_s) {
        c.verb = Command::Verb::Quit;
    } else if (verb == u"away"_s) {
        c.verb = Command::Verb::Away;
        if (rest.size() != 1 || !AwayTracker::answerNamed(rest[0]))
            return fail(u"away needs one of keep, discard and continue."_s);
        c.text = rest.takeFirst();
    } else if (verb == u"report"_s) {
        c.verb = Command::Verb::Report;
        std::optional<QString> from, to, pdf, json, csv;
        if (!takeValue(u"--from"_s, &from) || !takeValue(u"--to"_s, &to) ||
            !takeValue(u"--pdf"_s, &pdf) || !takeValue(u"--json"_s, &json) ||
            !takeValue(u"--csv"_s, &csv))
            return fail(u"Each of --from, --to, --pdf, --json and --csv takes one value."_s);
        c.screenshots = takeFlag(u"--screenshots"_s);
        if (!from || !to)
            return fail(u"report needs --from and --to."_s);
        const std::optional<QDate> first = dateArgument(*from);
        const std::optional<QDate> last = dateArgument(*to);
        if (!first || !last)
            return fail(u"Dates are written like 2026-03-31."_s);
        if (*first > *last)
            return fail(u"The “to” date must be on or after the “from” date."_s);
        if (int(pdf.has_value()) + int(json.has_value()) + int(csv.has_value()) != 1)
            return fail(u"report needs one of --pdf FILE, --json FILE and --csv FILE."_s);
        if (c.screenshots && !pdf)
            return fail(u"--screenshots goes with --pdf only."_s);
        c.from = *first;
        c.to = *last;
        c.pdfPath = pdf.value_or(QString());
        c.jsonPath = json.value_or(QString());
        c.csvPath = csv.value_or(QString());
    } else if (verb == u"import"_s) {
        c.verb = Command::Verb::Import;
        if (!takeValue(u"--format"_s, &c.format) || !takeValue(u"--client"_s, &c.client))
            return fail(u"Each of --format and --client takes one value."_s);
        if (c.format && !ImportParser::formatNamed(*c.format))
            return fail(u"--format is one of timewarrior, csv and zevra."_s);
        c.dryRun = takeFlag(u"--dry-run"_s);
        if (rest.size() != 1 || rest[0].startsWith(u"--"_s))
            return fail(u"import needs the file to read."_s);
        c.importPath = QFileInfo(rest.takeFirst()).absoluteFilePath();
    } else {
        return fail(u"Unknown command \""_s + verb + u"\"."_s);
    }
    if (!rest.isEmpty())
        return fail(u"Unexpected \""_s + rest[0] + u"\" for "_s + verb + u'.');
    return c;
}

int CommandLine::run(int& argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    const std::optional<Command> command = parse(args, &error);
    if (!command) {
        print(stderr, u"zevra-tikit: "_s + error + u" See zevra-tikit --help."_s);
        return 2;
    }
    if (command->verb == Command::Verb::Help || command->verb == Command::Verb::Version) {
        print(stdout,
              command->verb == Command::Verb::Help ? help() : u"zevra-tikit " ZEVRA_VERSION ""_s);
        return 0;
    }

    // The PDF needs fonts and a paint device: an off-screen GUI application.
    std::unique_ptr<QCoreApplication> app;
    if (command->verb == Command::Verb::Report) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else if (command->verb != Command::Verb::Status) {
        // status needs no event loop: a status bar runs it every second.
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const std::optional<QString> dir = AppModel::defaultDataDirectory();
    CommandResult result = CommandResult::failed(u"No per-user data folder is available."_s);
    if (dir) {
        if (command->verb == Command::Verb::Status)
            result = status(*dir, command->json);
        else if (command->verb == Command::Verb::Report)
            result = report(*dir, *command);
        else
            result = change(*dir, *command);
    }
    print(stdout, result.out);
    if (!result.err.isEmpty())
        print(stderr, u"zevra-tikit: "_s + result.err);
    return result.status;
}

CommandResult CommandLine::status(const QString& dataDirectory, bool json) {
    // Read-only and offline: the file as the app last saved it.
    QFile file(QDir(dataDirectory).filePath(u"db.json"_s));
    Db db;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return CommandResult::failed(file.fileName() + u": "_s + file.errorString());
        // Mapped, not read: nothing of the file is copied that is not needed.
        const qint64 size = file.size();
        const uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
        const QByteArrayView view =
            mapped ? QByteArrayView(reinterpret_cast<const char*>(mapped), size) : QByteArrayView();
        std::optional<Db> decoded = Db::runningOnly(view);
        if (!decoded)
            decoded = Db::decode(mapped ? view.toByteArray() : file.readAll());
        if (!decoded)
            return CommandResult::failed(file.fileName() + u" cannot be read."_s);
        db = std::move(*decoded);
    }
    return CommandResult::ok(CommandRunner::status(db, Clock::now(), json));
}

CommandResult CommandLine::change(const QString& dataDirectory, const Command& command) {
    if (std::optional<CommandResult> handled = SingleInstance::ask(dataDirectory, command))
        return *handled;
    // A command that fails leaves no trace: not even the folder it made.
    const bool existed = QFileInfo::exists(dataDirectory);
    CommandResult result = changeUnderLock(dataDirectory, command);
    if (result.status != 0 && !existed)
        QDir(dataDirectory).removeRecursively();
    return result;
}

CommandResult CommandLine::changeUnderLock(const QString& dataDirectory, const Command& command) {
    if (command.verb == Command::Verb::Toggle || command.verb == Command::Verb::Quit)
        return CommandResult::failed(u"Zevra Tikit is not running."_s);
    SingleInstance lock(dataDirectory);
    if (!lock.tryLock(SingleInstance::lockWaitMs)) {
        return CommandResult::failed(u"Another copy of Zevra Tikit is using "_s + dataDirectory +
                                     u" and does not answer."_s);
    }
    AppModel model(dataDirectory);
    Api::connect(model);
    std::optional<CommandResult> result;
    CommandRunner::run(model, command, [&result](const CommandResult& r) { result = r; });
    RunLoop::spinUntil([&result] { return result.has_value(); });
    return *result;
}

CommandResult CommandLine::report(const QString& dataDirectory, const Command& command) {
    const Store store(dataDirectory);
    ReportExport::Request request;
    request.from = command.from;
    request.to = command.to;
    request.kind = !command.pdfPath.isEmpty()   ? ReportExport::Kind::Pdf
                   : !command.csvPath.isEmpty() ? ReportExport::Kind::Csv
                                                : ReportExport::Kind::Json;
    request.screenshots = command.screenshots;
    const bool toOutput = command.csvPath == u"-"_s;
    const QString path = QFileInfo(!command.pdfPath.isEmpty()   ? command.pdfPath
                                   : !command.csvPath.isEmpty() ? command.csvPath
                                                                : command.jsonPath)
                             .absoluteFilePath();

    std::optional<ReportExport::Outcome> outcome;
    QObject context;
    ReportExport::run(store, request, &context, {},
                      [&outcome](const ReportExport::Outcome& o) { outcome = o; });
    RunLoop::spinUntil([&outcome] { return outcome.has_value(); });
    if (outcome->error)
        return CommandResult::failed(*outcome->error);
    if (toOutput) {
        std::fwrite(outcome->data.constData(), 1, size_t(outcome->data.size()), stdout);
        std::fflush(stdout);
        return CommandResult::ok(QString());
    }
    if (const std::optional<QString> error = ReportFile::write(path, outcome->data))
        return CommandResult::failed(path + u": "_s + *error);
    return CommandResult::ok((outcome->empty ? u"No time entries in that period. "_s : QString()) +
                             u"Saved "_s + path);
}
