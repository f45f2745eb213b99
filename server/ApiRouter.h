#pragma once

#include "ClientsAction.h"
#include "HttpAnswer.h"
#include "PeopleAction.h"
#include "ReportAction.h"
#include "ServerUser.h"
#include "SyncAction.h"

#include <QByteArray>
#include <QUrlQuery>

#include <optional>

class PictureStore;
class ReleaseStore;
class Storage;

// "/api.php": picks the action, checks the method and the caller's key, reads
// the JSON body and hands the request to its action. Every failure is a JSON
// object with "error".
class ApiRouter {
public:
    ApiRouter(Storage& storage, PictureStore& pictures, ReleaseStore& releases);

    // `method` as sent ("GET", "POST", ...); `apiKey` the X-Api-Key header.
    HttpAnswer handle(const QByteArray& method, const QUrlQuery& query, const QByteArray& apiKey,
                      const QByteArray& body);
    void setMaxBody(qint64 bytes) { m_sync.setMaxBody(bytes); }
    // The refusal handle() gives whatever the body (an unknown action, a
    // method not allowed, a key not accepted), or nothing.
    std::optional<HttpAnswer> refusalBeforeBody(const QByteArray& method, const QUrlQuery& query,
                                                const QByteArray& apiKey);

private:
    // The answer given without the body (a refusal, or the public version
    // call), or nothing with `user` set to the caller.
    std::optional<HttpAnswer> admit(const QByteArray& method, const QString& action,
                                    const QByteArray& apiKey, std::optional<ServerUser>& user);
    // The active person the key belongs to, or the 401 answer.
    std::optional<ServerUser> authenticate(const QByteArray& apiKey, HttpAnswer& refusal);

    Storage& m_storage;
    ReleaseStore& m_releases;
    SyncAction m_sync;
    PeopleAction m_people;
    ClientsAction m_clients;
    ReportAction m_reports;
};
