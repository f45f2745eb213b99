#include "app/Command.h"

using namespace Qt::StringLiterals;

namespace {

QString verbName(Command::Verb verb) {
    switch (verb) {
    case Command::Verb::Start:
        return u"start"_s;
    case Command::Verb::Stop:
        return u"stop"_s;
    case Command::Verb::Sync:
        return u"sync"_s;
    case Command::Verb::Import:
        return u"import"_s;
    case Command::Verb::Show:
        return u"show"_s;
    case Command::Verb::Toggle:
        return u"toggle"_s;
    case Command::Verb::Quit:
        return u"quit"_s;
    case Command::Verb::Away:
        return u"away"_s;
    default:
        return QString();
    }
}

} // namespace

QJsonObject Command::toJson() const {
    QJsonObject o{{"verb"_L1, verbName(verb)}};
    if (verb == Verb::Start || verb == Verb::Away)
        o.insert("text"_L1, text);
    if (client)
        o.insert("client"_L1, *client);
    if (verb == Verb::Import) {
        o.insert("path"_L1, importPath);
        o.insert("dry_run"_L1, dryRun);
        if (format)
            o.insert("format"_L1, *format);
    }
    return o;
}

std::optional<Command> Command::fromJson(const QJsonObject& object) {
    // Only what the running app carries out travels this way.
    const QString name = object.value("verb"_L1).toString();
    Command c;
    for (Verb verb : {Verb::Start, Verb::Stop, Verb::Sync, Verb::Import, Verb::Show, Verb::Toggle,
                      Verb::Quit, Verb::Away}) {
        if (verbName(verb) == name)
            c.verb = verb;
    }
    if (verbName(c.verb) != name || name.isEmpty())
        return std::nullopt;
    c.text = object.value("text"_L1).toString();
    if (object.value("client"_L1).isString())
        c.client = object.value("client"_L1).toString();
    c.importPath = object.value("path"_L1).toString();
    c.dryRun = object.value("dry_run"_L1).toBool();
    if (object.value("format"_L1).isString())
        c.format = object.value("format"_L1).toString();
    return c;
}

QJsonObject CommandResult::toJson() const {
    return QJsonObject{{"status"_L1, status}, {"out"_L1, out}, {"err"_L1, err}};
}

CommandResult CommandResult::fromJson(const QJsonObject& object) {
    return CommandResult{object.value("status"_L1).toInt(1), object.value("out"_L1).toString(),
                         object.value("err"_L1).toString()};
}
