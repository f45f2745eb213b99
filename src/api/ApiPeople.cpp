#include "api/Api.h"

#include "api/HttpCall.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

constexpr int peopleTimeoutMs = 20000;

// One call of action=users that answers a person: creating one (POST) or
// changing one (PATCH).
void personCall(const Store& store, const QByteArray& method, const QJsonObject& body,
                QObject* context, std::function<void(const ApiResult<ReportUser>&)> done) {
    const std::optional<Api::Credentials> creds = Api::credentials(store);
    const std::optional<QUrl> url =
        creds ? HttpCall::parseUrl(creds->base + u"/api.php?action=users"_s) : std::nullopt;
    if (!url) {
        HttpCall::later(context,
                        [done] { done(ApiResult<ReportUser>::failure(u"Not configured"_s)); });
        return;
    }
    HttpCall call;
    call.method = method;
    call.url = *url;
    call.apiKey = creds->key;
    call.timeoutMs = peopleTimeoutMs;
    call.jsonBody = QJsonDocument(body).toJson(QJsonDocument::Compact);
    call.send(context, [done](const HttpReply& reply) { done(ReportUser::fromReply(reply)); });
}

} // namespace

void Api::createUser(const Store& store, const QString& name, bool isAdmin, QObject* context,
                     std::function<void(const ApiResult<ReportUser>&)> done) {
    personCall(store, "POST", QJsonObject{{"name"_L1, name}, {"is_admin"_L1, isAdmin}}, context,
               std::move(done));
}

void Api::setUserActive(const Store& store, qint64 userId, bool active, QObject* context,
                        std::function<void(const ApiResult<ReportUser>&)> done) {
    personCall(store, "PATCH", QJsonObject{{"id"_L1, userId}, {"active"_L1, active}}, context,
               std::move(done));
}

void Api::issueNewKey(const Store& store, qint64 userId, QObject* context,
                      std::function<void(const ApiResult<ReportUser>&)> done) {
    personCall(store, "PATCH", QJsonObject{{"id"_L1, userId}, {"new_key"_L1, true}}, context,
               std::move(done));
}
