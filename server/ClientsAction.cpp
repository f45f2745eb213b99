#include "ClientsAction.h"

#include "ServerTime.h"
#include "Storage.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

ClientsAction::ClientsAction(Storage& storage)
    : m_storage(storage) {}

HttpAnswer ClientsAction::changeClient(const ServerUser& caller, const QJsonObject& body) {
    // The name check and the change are one transaction, so two renames to
    // the same name cannot both pass.
    m_storage.begin();
    try {
        HttpAnswer answer = apply(caller, body);
        m_storage.commit();
        return answer;
    } catch (...) {
        m_storage.rollback();
        throw;
    }
}

HttpAnswer ClientsAction::apply(const ServerUser& caller, const QJsonObject& body) {
    static const QRegularExpression hex(u"\\A#[0-9A-Fa-f]{6}\\z"_s);
    const QJsonValue idValue = body.value("id"_L1);
    const QJsonValue color = body.value("color"_L1);
    const QJsonValue name = body.value("name"_L1);
    const QJsonValue archived = body.value("archived"_L1);
    const double d = idValue.toDouble(-1);
    if (!idValue.isDouble() || d != double(qint64(d)))
        return HttpAnswer::error(400, u"\"id\" must be a client id"_s);
    if (!color.isUndefined() && !(color.isString() && hex.match(color.toString()).hasMatch()))
        return HttpAnswer::error(400, u"\"color\" must be a colour written #RRGGBB"_s);
    if (!name.isUndefined() && !(name.isString() && !name.toString().trimmed().isEmpty()))
        return HttpAnswer::error(400, u"\"name\" must be a text that is not empty"_s);
    if (!archived.isUndefined() && !archived.isBool())
        return HttpAnswer::error(400, u"\"archived\" must be true or false"_s);
    if (color.isUndefined() && name.isUndefined() && archived.isUndefined())
        return HttpAnswer::error(400,
                                 u"Nothing to change: send \"color\", \"name\" or \"archived\""_s);
    if ((!name.isUndefined() || !archived.isUndefined()) && !caller.isAdmin)
        return HttpAnswer::error(403, u"Only administrators can rename or archive clients"_s);

    std::optional<ServerClient> client = m_storage.client(qint64(d));
    if (!client)
        return HttpAnswer::error(404, u"No client with this id"_s);
    if (name.isString()) {
        client->name = name.toString().trimmed();
        const std::optional<ServerClient> other = m_storage.clientByName(client->name);
        if (other && other->id != client->id)
            return HttpAnswer::error(409,
                                     u"A client named \"%1\" already exists"_s.arg(other->name));
    }
    if (color.isString())
        client->color = color.toString().toLower();
    if (archived.isBool())
        client->archived = archived.toBool();
    m_storage.updateClient(*client, ServerTime::now());

    QJsonObject o;
    o.insert("ok"_L1, true);
    o.insert("client"_L1, client->toJson());
    return HttpAnswer::json(o);
}
