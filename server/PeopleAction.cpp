#include "PeopleAction.h"

#include "ApiKeys.h"
#include "ServerTime.h"
#include "Storage.h"
#include "api/ReportUser.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

ReportUser reported(const ServerUser& u) {
    ReportUser r;
    r.id = u.id;
    r.name = u.name;
    r.isAdmin = u.isAdmin;
    r.active = u.active;
    return r;
}

const QString adminsOnly = u"Only administrators can manage people"_s;

} // namespace

PeopleAction::PeopleAction(Storage& storage)
    : m_storage(storage) {}

HttpAnswer PeopleAction::listUsers(const ServerUser& caller) {
    if (!caller.isAdmin)
        return HttpAnswer::error(403, adminsOnly);
    QJsonArray users;
    for (const ServerUser& u : m_storage.users())
        users.append(reported(u).toJson());
    QJsonObject o;
    o.insert("users"_L1, users);
    return HttpAnswer::json(o);
}

HttpAnswer PeopleAction::createUser(const ServerUser& caller, const QJsonObject& body) {
    if (!caller.isAdmin)
        return HttpAnswer::error(403, adminsOnly);
    const QJsonValue name = body.value("name"_L1);
    const QJsonValue admin = body.value("is_admin"_L1);
    if (!name.isString() || name.toString().trimmed().isEmpty())
        return HttpAnswer::error(400, u"A name is required"_s);
    if (!admin.isUndefined() && !admin.isNull() && !admin.isBool())
        return HttpAnswer::error(400, u"\"is_admin\" must be true or false"_s);

    QString error;
    const std::optional<Created> created = create(name.toString(), admin.toBool(false), &error);
    if (!created)
        return HttpAnswer::error(409, error);
    ReportUser r = reported(created->user);
    r.apiKey = created->apiKey;
    QJsonObject o;
    o.insert("user"_L1, r.toJson());
    return HttpAnswer::json(o, 201);
}

HttpAnswer PeopleAction::changeUser(const ServerUser& caller, const QJsonObject& body) {
    if (!caller.isAdmin)
        return HttpAnswer::error(403, adminsOnly);
    const QJsonValue idValue = body.value("id"_L1);
    const QJsonValue active = body.value("active"_L1);
    const QJsonValue newKey = body.value("new_key"_L1);
    const double d = idValue.toDouble(-1);
    if (!idValue.isDouble() || d != double(qint64(d)))
        return HttpAnswer::error(400, u"\"id\" must be a person's id"_s);
    if ((!active.isUndefined() && !active.isBool()) || (!newKey.isUndefined() && !newKey.isBool()))
        return HttpAnswer::error(400, u"\"active\" and \"new_key\" must be true or false"_s);
    if (!active.isBool() && !newKey.toBool(false))
        return HttpAnswer::error(400, u"Nothing to change: send \"active\" or \"new_key\""_s);
    const qint64 id = qint64(d);
    std::optional<ServerUser> person = m_storage.user(id);
    if (!person)
        return HttpAnswer::error(404, u"No person with this id"_s);
    if (id == caller.id && active.isBool() && !active.toBool())
        return HttpAnswer::error(409, u"You cannot deactivate your own account"_s);

    if (active.isBool())
        person->active = active.toBool();
    m_storage.setUserActive(id, person->active);
    ReportUser r = reported(*person);
    if (newKey.toBool(false)) {
        r.apiKey = ApiKeys::generate();
        m_storage.setUserKeyHash(id, ApiKeys::hash(*r.apiKey));
    }
    QJsonObject o;
    o.insert("user"_L1, r.toJson());
    return HttpAnswer::json(o);
}

std::optional<PeopleAction::Created> PeopleAction::create(const QString& rawName, bool isAdmin,
                                                          QString* error) {
    const QString name = rawName.trimmed();
    if (name.isEmpty()) {
        if (error)
            *error = u"A name is required"_s;
        return std::nullopt;
    }
    if (m_storage.userByName(name)) {
        if (error)
            *error = u"A person named \"%1\" already exists"_s.arg(name);
        return std::nullopt;
    }
    Created created;
    created.apiKey = ApiKeys::generate();
    created.user =
        m_storage.createUser(name, isAdmin, ApiKeys::hash(created.apiKey), ServerTime::now());
    return created;
}
