#include "api/HttpCall.h"

#include "api/Api.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <QTimer>
#include <memory>

namespace {

std::optional<int> g_timeoutCap;
int g_inFlight = 0;
std::function<void(const HttpCall&)> g_observer;

HttpReply readReply(QNetworkReply* reply) {
    HttpReply result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // Network and proxy errors (connection, time-out, reset, TLS, a body cut
    // off) are failures of the transport even after a status line arrived:
    // what came is not a whole answer.
    const QNetworkReply::NetworkError error = reply->error();
    const bool transport =
        (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
        error == QNetworkReply::ProtocolFailure;
    if (transport || (!status.isValid() && error != QNetworkReply::NoError)) {
        result.transportError = reply->errorString();
        return result;
    }
    if (!status.isValid()) {
        result.status = 0; // a non-HTTP response counts as success
    } else {
        result.status = status.toInt();
    }
    result.body = reply->readAll();
    return result;
}

} // namespace

std::optional<QUrl> HttpCall::parseUrl(const QString& text) {
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    return url;
}

void HttpCall::setTimeoutCapForTesting(std::optional<int> msecs) {
    g_timeoutCap = msecs;
}

int HttpCall::inFlight() {
    return g_inFlight;
}

void HttpCall::abortAll() {
    for (QNetworkReply* reply : Api::network().findChildren<QNetworkReply*>())
        reply->abort();
}

void HttpCall::setObserverForTesting(std::function<void(const HttpCall&)> observer) {
    g_observer = std::move(observer);
}

void HttpCall::later(QObject* context, std::function<void()> fn) {
    QObject* target = context ? context : QCoreApplication::instance();
    QTimer::singleShot(0, target, std::move(fn));
}

void HttpCall::send(QObject* context, std::function<void(const HttpReply&)> done) const {
    if (g_observer)
        g_observer(*this);
    QNetworkRequest request(url);
    if (jsonBody)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    if (!apiKey.isEmpty())
        request.setRawHeader("X-Api-Key", apiKey.toUtf8());
    request.setTransferTimeout(g_timeoutCap ? qMin(*g_timeoutCap, timeoutMs) : timeoutMs);

    QNetworkAccessManager& manager = Api::network();
    QNetworkReply* reply = jsonBody ? manager.sendCustomRequest(request, method, *jsonBody)
                                    : manager.sendCustomRequest(request, method);
    // Abandon the request together with its owner. A widget says it is going
    // before its guards are cleared, and the abort finishes the reply at once:
    // the flag keeps the answer from an owner that is half taken apart.
    auto abandoned = std::make_shared<bool>(false);
    if (context) {
        QObject::connect(context, &QObject::destroyed, reply, [reply, abandoned] {
            *abandoned = true;
            reply->abort();
        });
    }
    QPointer<QObject> guard(context);
    const bool guarded = context != nullptr;
    ++g_inFlight;
    QObject::connect(reply, &QObject::destroyed, [] { --g_inFlight; });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, guard, guarded, abandoned, done = std::move(done)]() {
                         reply->deleteLater();
                         if (*abandoned || (guarded && !guard))
                             return;
                         done(readReply(reply));
                     });
}
