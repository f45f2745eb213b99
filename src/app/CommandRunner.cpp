#include "app/CommandRunner.h"

#include "exchange/Importer.h"
#include "model/AppModel.h"
#include "model/AwayTracker.h"
#include "model/Clock.h"
#include "model/Time.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int syncPollMs = 50;

QString described(const QString& text) {
    return text.isEmpty() ? u"(no description)"_s : text;
}

QString clientName(const Db& db, const std::optional<QString>& id) {
    if (!id)
        return QString();
    for (const Client& c : db.clients) {
        if (c.id == *id)
            return c.name;
    }
    return QString();
}

QString withClient(const QString& text, const QString& client) {
    return client.isEmpty() ? text : text + u" · "_s + client;
}

} // namespace

void CommandRunner::run(AppModel& model, const Command& command, Done done) {
    switch (command.verb) {
    case Command::Verb::Start:
        return done(start(model, command));
    case Command::Verb::Stop:
        return done(stop(model));
    case Command::Verb::Sync:
        return sync(model, std::move(done));
    case Command::Verb::Away: {
        const std::optional<AwayTracker::Answer> answer = AwayTracker::answerNamed(command.text);
        if (!answer || !AwayTracker::answer(model, *answer))
            return done(CommandResult::failed(u"Nothing to answer."_s));
        return done(CommandResult::ok(*answer == AwayTracker::Answer::Keep ? u"Kept."_s
                                      : *answer == AwayTracker::Answer::Discard
                                          ? u"Discarded."_s
                                          : u"Discarded; started again."_s));
    }
    case Command::Verb::Import: {
        const Importer::Outcome outcome = Importer::importFile(
            model, command.importPath,
            command.format ? ImportParser::formatNamed(*command.format) : std::nullopt,
            command.client, command.dryRun);
        return done(outcome.error ? CommandResult::failed(*outcome.error)
                                  : CommandResult::ok(outcome.summary));
    }
    default:
        return done(CommandResult::usage(u"This command cannot be carried out here."_s));
    }
}

CommandResult CommandRunner::start(AppModel& model, const Command& command) {
    std::optional<QString> clientId;
    if (command.client) {
        // By name, whatever the case; a typo never creates a client.
        const QString wanted = command.client->trimmed().toLower();
        QStringList known;
        for (const Client& c : model.clients()) {
            known.append(c.name);
            if (c.name.toLower() == wanted && !clientId)
                clientId = c.id;
        }
        if (!clientId) {
            return CommandResult::failed(
                u"There is no client named \""_s + command.client->trimmed() + u"\". "_s +
                (known.isEmpty() ? u"No clients exist yet."_s
                                 : u"Known clients: "_s + known.join(u", "_s) + u'.'));
        }
    }
    model.start(command.text, clientId);
    const Entry running = *model.running();
    return CommandResult::ok(u"Started: "_s +
                             withClient(described(running.description),
                                        clientName(model.store().db(), running.clientId)));
}

CommandResult CommandRunner::stop(AppModel& model) {
    const std::optional<Entry> running = model.running();
    if (!running)
        return CommandResult::failed(u"Nothing is running."_s);
    model.stop(*running);
    return CommandResult::ok(u"Stopped: "_s + described(running->description) + u" after "_s +
                             Time::hms(running->duration(Clock::now())));
}

void CommandRunner::sync(AppModel& model, Done done) {
    const Settings& settings = model.store().db().settings;
    if (settings.server.trimmed().isEmpty() || settings.apiKey.trimmed().isEmpty()) {
        return done(CommandResult::failed(
            u"Not configured: connect to a server in the panel's settings first."_s));
    }
    // A sync already under way may have been sent before the latest change:
    // let it end, then send what is still pending.
    QPointer<AppModel> target(&model);
    whenIdle(target, [target, done] {
        target->syncNow();
        whenIdle(target, [target, done] { done(syncResult(target->lastSync())); });
    });
}

void CommandRunner::whenIdle(QPointer<AppModel> target, std::function<void()> next) {
    // The model tells its listener, not its callers, when a sync ends.
    if (!target)
        return;
    if (target->syncing()) {
        QTimer::singleShot(syncPollMs, target, [target, next] { whenIdle(target, next); });
        return;
    }
    next();
}

CommandResult CommandRunner::syncResult(const std::optional<SyncSummary>& summary) {
    if (!summary)
        return CommandResult::failed(u"The sync did not run."_s);
    if (!summary->online)
        return CommandResult::failed(u"Offline: "_s + summary->error.value_or(QString()));
    if (summary->error)
        return CommandResult::failed(u"Sync failed: "_s + *summary->error);
    return CommandResult::ok(
        summary->pending > 0 ? u"Synced · "_s + QString::number(summary->pending) + u" pending"_s
                             : u"Synced"_s);
}

QString CommandRunner::status(const Db& db, const QDateTime& now, bool json) {
    const Entry* running = nullptr;
    for (const Entry& e : db.entries) {
        if (e.isRunning()) {
            running = &e;
            break;
        }
    }
    QString text = u"Not tracking"_s;
    QString tooltip = u"Zevra Tikit: not tracking"_s;
    if (running) {
        const QString what =
            withClient(described(running->description), clientName(db, running->clientId));
        text = Time::menuBar(running->duration(now)) + u' ' + what;
        const std::optional<QDateTime> since = Time::parse(running->startedAt);
        tooltip =
            what + (since ? u" since "_s + since->toLocalTime().toString(u"HH:mm"_s) : QString());
    }
    if (!json)
        return text;
    QJsonObject o{{"text"_L1, text},
                  {"tooltip"_L1, tooltip},
                  {"class"_L1, running ? u"running"_s : u"idle"_s}};
    if (running && db.awaySince)
        o.insert("away_since"_L1, *db.awaySince);
    if (db.away)
        o.insert("away"_L1, QJsonObject{{"from"_L1, db.away->from}, {"to"_L1, db.away->to}});
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
