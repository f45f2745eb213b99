#pragma once

#include "HttpAnswer.h"
#include "ServerUser.h"

#include <QJsonObject>
#include <QString>

#include <optional>

class Storage;

// "action=users": listing, creating and changing people, administrators only.
class PeopleAction {
public:
    explicit PeopleAction(Storage& storage);

    HttpAnswer listUsers(const ServerUser& caller);
    HttpAnswer createUser(const ServerUser& caller, const QJsonObject& body);
    // PATCH {"id", "active"?, "new_key"?}: switches a person's account off or
    // on, and/or replaces their key (the old one stops working at once). The
    // answer carries the person, with "api_key" when a new key was made.
    // Nobody can switch their own account off.
    HttpAnswer changeUser(const ServerUser& caller, const QJsonObject& body);

    // Creates a person and returns it with its new API key, or nothing when
    // the name is empty or taken (`error` tells which). Shared with the
    // command line.
    struct Created {
        ServerUser user;
        QString apiKey;
    };
    std::optional<Created> create(const QString& name, bool isAdmin, QString* error);

private:
    Storage& m_storage;
};
