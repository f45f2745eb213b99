#include "ApiRouter.h"

#include "ApiKeys.h"
#include "ReleaseStore.h"
#include "Storage.h"

#include <QJsonDocument>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

namespace {

HttpAnswer notAllowed(const QByteArray& allow) {
    HttpAnswer a = HttpAnswer::error(405, u"Method not allowed"_s);
    a.headers.emplaceBack("Allow", allow);
    return a;
}

// The request body as a JSON object, or the 400 answer.
std::optional<QJsonObject> jsonBody(const QByteArray& body, HttpAnswer& refusal) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        refusal = HttpAnswer::error(400, u"Malformed JSON: "_s + error.errorString());
        return std::nullopt;
    }
    if (!doc.isObject()) {
        refusal = HttpAnswer::error(400, u"The body must be a JSON object"_s);
        return std::nullopt;
    }
    return doc.object();
}

} // namespace

ApiRouter::ApiRouter(Storage& storage, PictureStore& pictures, ReleaseStore& releases)
    : m_storage(storage)
    , m_releases(releases)
    , m_sync(storage, pictures)
    , m_people(storage)
    , m_clients(storage)
    , m_reports(storage) {}

std::optional<ServerUser> ApiRouter::authenticate(const QByteArray& apiKey, HttpAnswer& refusal) {
    const QString key = QString::fromUtf8(apiKey).trimmed();
    if (key.isEmpty()) {
        refusal = HttpAnswer::error(401, u"Missing API key"_s);
        return std::nullopt;
    }
    const std::optional<ServerUser> user = m_storage.userByKeyHash(ApiKeys::hash(key));
    if (!user) {
        refusal = HttpAnswer::error(401, u"Invalid API key"_s);
        return std::nullopt;
    }
    if (!user->active) {
        refusal = HttpAnswer::error(401, u"This account is disabled"_s);
        return std::nullopt;
    }
    return user;
}

std::optional<HttpAnswer> ApiRouter::admit(const QByteArray& method, const QString& action,
                                           const QByteArray& apiKey,
                                           std::optional<ServerUser>& user) {
    QList<QByteArray> allowed;
    if (action == "sync"_L1)
        allowed = {"POST"};
    else if (action == "users"_L1)
        allowed = {"GET", "POST", "PATCH"};
    else if (action == "clients"_L1)
        allowed = {"PATCH"};
    else if (action == "reports"_L1 || action == "version"_L1)
        allowed = {"GET"};
    else
        return HttpAnswer::error(404, u"Unknown action"_s);
    if (!allowed.contains(method))
        return notAllowed(allowed.join(", "));

    // Releases are public: the update check sends a key only when it has one.
    if (action == "version"_L1)
        return HttpAnswer::json(m_releases.versionJson());

    HttpAnswer refusal;
    user = authenticate(apiKey, refusal);
    if (!user)
        return refusal;
    return std::nullopt;
}

std::optional<HttpAnswer> ApiRouter::refusalBeforeBody(const QByteArray& method,
                                                       const QUrlQuery& query,
                                                       const QByteArray& apiKey) {
    std::optional<ServerUser> user;
    const QString action = query.queryItemValue(u"action"_s, QUrl::FullyDecoded);
    std::optional<HttpAnswer> answer = admit(method, action, apiKey, user);
    if (answer && answer->status < 400)
        return std::nullopt;
    return answer;
}

HttpAnswer ApiRouter::handle(const QByteArray& method, const QUrlQuery& query,
                             const QByteArray& apiKey, const QByteArray& body) {
    const QString action = query.queryItemValue(u"action"_s, QUrl::FullyDecoded);
    std::optional<ServerUser> user;
    if (std::optional<HttpAnswer> answer = admit(method, action, apiKey, user))
        return *answer;

    if (method == "GET") {
        if (action == "users"_L1)
            return m_people.listUsers(*user);
        return m_reports.handle(*user, query);
    }

    HttpAnswer refusal;
    const std::optional<QJsonObject> object = jsonBody(body, refusal);
    if (!object)
        return refusal;
    if (action == "sync"_L1)
        return m_sync.handle(*user, *object);
    if (action == "users"_L1)
        return method == "PATCH" ? m_people.changeUser(*user, *object)
                                 : m_people.createUser(*user, *object);
    return m_clients.changeClient(*user, *object);
}
