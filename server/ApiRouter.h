#pragma once

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

private:
    // The active person the key belongs to, or the 401 answer.
    std::optional<ServerUser> authenticate(const QByteArray& apiKey, HttpAnswer& refusal);

    Storage& m_storage;
    ReleaseStore& m_releases;
    SyncAction m_sync;
    PeopleAction m_people;
    ReportAction m_reports;
};
