#include "api/Api.h"

#include "api/HttpCall.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

constexpr int changeTimeoutMs = 20000;

// PATCH action=users with `body`; answers like creating a person does.
void changePerson(const Store& store, const QJsonObject& body, QObject* context,
                  std::function<void(const ApiResult<ReportUser>&)> done) {
    const std::optional<Api::Credentials> creds = Api::credentials(store);
    const std::optional<QUrl> url =
        creds ? HttpCall::parseUrl(creds->base + u"/api.php?action=users"_s) : std::nullopt;
    if (!url) {
        HttpCall::later(context,
                        [done] { done(ApiResult<ReportUser>::failure(u"Not configured"_s)); });
        return;
    }
    HttpCall call;
    call.method = "PATCH";
    call.url = *url;
    call.apiKey = creds->key;
    call.timeoutMs = changeTimeoutMs;
    call.jsonBody = QJsonDocument(body).toJson(QJsonDocument::Compact);
    call.send(context, [done](const HttpReply& reply) { done(ReportUser::fromReply(reply)); });
}

} // namespace

void Api::setUserActive(const Store& store, qint64 userId, bool active, QObject* context,
                        std::function<void(const ApiResult<ReportUser>&)> done) {
    changePerson(store, QJsonObject{{"id"_L1, userId}, {"active"_L1, active}}, context,
                 std::move(done));
}

void Api::issueNewKey(const Store& store, qint64 userId, QObject* context,
                      std::function<void(const ApiResult<ReportUser>&)> done) {
    changePerson(store, QJsonObject{{"id"_L1, userId}, {"new_key"_L1, true}}, context,
                 std::move(done));
}
