#include "api/Api.h"

#include "api/HttpCall.h"
#include "model/JsonReader.h"
#include "model/Store.h"
#include "model/Text.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>

using namespace Qt::StringLiterals;

namespace {
constexpr int adminTimeoutMs = 20000;
constexpr int usersTimeoutMs = 25000;
} // namespace

std::optional<Api::Credentials> Api::credentials(const Store& store) {
    const Settings& settings = store.db().settings;
    Credentials c{Text::serverBase(settings.server), settings.apiKey.trimmed()};
    if (c.base.isEmpty() || c.key.isEmpty())
        return std::nullopt;
    return c;
}

QNetworkAccessManager& Api::network() {
    static QNetworkAccessManager* manager = nullptr;
    if (!manager) {
        manager = new QNetworkAccessManager(QCoreApplication::instance());
        QObject::connect(manager, &QObject::destroyed, [] { manager = nullptr; });
    }
    return *manager;
}

void Api::fetchUsers(const Store& store, QObject* context,
                     std::function<void(const QList<ReportUser>&)> done) {
    const std::optional<Credentials> creds = credentials(store);
    const std::optional<QUrl> url =
        creds ? HttpCall::parseUrl(creds->base + u"/api.php?action=users"_s) : std::nullopt;
    if (!url) {
        HttpCall::later(context, [done] { done({}); });
        return;
    }
    HttpCall call;
    call.url = *url;
    call.apiKey = creds->key;
    call.timeoutMs = usersTimeoutMs;
    call.send(context, [done](const HttpReply& reply) {
        if (reply.isTransportFailure() || reply.isHttpFailure())
            return done({});
        const QJsonDocument doc = QJsonDocument::fromJson(reply.body);
        JsonReader r(doc.object());
        if (!doc.isObject())
            return done({});
        const std::optional<QList<ReportUser>> users =
            r.optionalList<ReportUser>("users"_L1, &ReportUser::fromJson);
        if (!r.ok())
            return done({});
        done(users.value_or(QList<ReportUser>()));
    });
}

void Api::sendClientChange(const Store& store, const ClientChange& change, QObject* context,
                           std::function<void(const ClientChange::Answer&)> done) {
    const std::optional<Credentials> creds = credentials(store);
    const std::optional<QUrl> url =
        creds ? HttpCall::parseUrl(creds->base + u"/api.php?action=clients"_s) : std::nullopt;
    if (!url) {
        HttpCall::later(context, [done] {
            done({ClientChange::Kind::Failed, u"Not configured"_s});
        });
        return;
    }
    HttpCall call;
    call.method = "PATCH";
    call.url = *url;
    call.apiKey = creds->key;
    call.timeoutMs = adminTimeoutMs;
    call.jsonBody = QJsonDocument(change.body()).toJson(QJsonDocument::Compact);
    call.send(context, [done](const HttpReply& reply) {
        using Kind = ClientChange::Kind;
        if (reply.isTransportFailure())
            return done({Kind::Failed, *reply.transportError});
        if (reply.status >= 200 && reply.status < 300)
            return done({Kind::Accepted, QString()});
        static const QList<int> final = {400, 403, 404, 409};
        done({final.contains(reply.status) ? Kind::Refused : Kind::Failed, reply.failureMessage()});
    });
}
