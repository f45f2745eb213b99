#pragma once

#include "HttpAnswer.h"
#include "ServerUser.h"

#include <QJsonObject>

class Storage;

// "action=clients": PATCH {"id", "color"?, "name"?, "archived"?} changes one
// client. Anyone signed in may recolour a client; renaming and archiving are
// for administrators. A name another client has, whatever its case, is
// refused (409). The answer carries the client as it now is.
class ClientsAction {
public:
    explicit ClientsAction(Storage& storage);

    HttpAnswer changeClient(const ServerUser& caller, const QJsonObject& body);

private:
    HttpAnswer apply(const ServerUser& caller, const QJsonObject& body);

    Storage& m_storage;
};
