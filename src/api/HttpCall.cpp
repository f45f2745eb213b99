#include "api/HttpCall.h"

#include "api/Api.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

std::optional<int> g_timeoutCap;
int g_inFlight = 0;
std::function<void(const HttpCall&)> g_observer;
std::function<std::optional<QByteArray>(const QUrl&)> g_trust;
// Untrusted certificates seen, by origin.
QHash<QString, QByteArray> g_untrusted;

QString originKey(const QUrl& url) {
    const int port = url.port(url.scheme() == "https"_L1 ? 443 : 80);
    return url.scheme().toLower() + u"://"_s + url.host().toLower() + u':' + QString::number(port);
}

// Set on a reply refused for its certificate.
constexpr char untrustedProperty[] = "zevraUntrusted";

HttpReply readReply(QNetworkReply* reply, bool keyed) {
    HttpReply result;
    if (reply->property(untrustedProperty).toBool()) {
        result.transportError = HttpCall::untrustedMessage;
        return result;
    }
    // A keyed request is never carried to another origin, and an answer
    // that tries to take it there is the server address at fault.
    if (keyed && reply->error() == QNetworkReply::InsecureRedirectError) {
        const QUrl target = QUrl::fromEncoded(reply->rawHeader("Location"));
        result.transportError = HttpCall::redirectedMessage(reply->url().resolved(target));
        return result;
    }
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

const QString HttpCall::untrustedMessage =
    u"This system does not trust the server's certificate; check its fingerprint in the "
    u"server settings."_s;

QString HttpCall::redirectedMessage(const QUrl& target) {
    return u"The server redirected to another address ("_s + target.toDisplayString() +
           u"); check the server address in settings."_s;
}

void HttpCall::setTrustSource(std::function<std::optional<QByteArray>(const QUrl&)> source) {
    g_trust = std::move(source);
}

std::optional<QByteArray> HttpCall::untrustedCertificate(const QUrl& url) {
    const auto it = g_untrusted.constFind(originKey(url));
    if (it == g_untrusted.constEnd())
        return std::nullopt;
    return *it;
}

QString HttpCall::fingerprintText(const QByteArray& sha256) {
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

bool HttpCall::sameOrigin(const QUrl& a, const QUrl& b) {
    return originKey(a) == originKey(b);
}

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
    const bool keyed = !apiKey.isEmpty();
    if (keyed)
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::SameOriginRedirectPolicy);
    const std::optional<QByteArray> trusted = g_trust ? g_trust(url) : std::nullopt;

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
    // A certificate the system does not trust passes only when it is the one
    // trusted for this server; with one trusted, no other passes either.
    QObject::connect(
        reply, &QNetworkReply::sslErrors, reply, [reply, trusted](const QList<QSslError>&) {
            const QByteArray seen =
                reply->sslConfiguration().peerCertificate().digest(QCryptographicHash::Sha256);
            if (trusted && !seen.isEmpty() && seen == *trusted)
                return reply->ignoreSslErrors();
            if (!seen.isEmpty())
                g_untrusted.insert(originKey(reply->url()), seen);
            reply->setProperty(untrustedProperty, true);
        });
    if (trusted) {
        QObject::connect(reply, &QNetworkReply::encrypted, reply, [reply, trusted] {
            const QByteArray seen =
                reply->sslConfiguration().peerCertificate().digest(QCryptographicHash::Sha256);
            if (seen == *trusted)
                return;
            g_untrusted.insert(originKey(reply->url()), seen);
            reply->setProperty(untrustedProperty, true);
            reply->abort();
        });
    }
    QPointer<QObject> guard(context);
    const bool guarded = context != nullptr;
    ++g_inFlight;
    QObject::connect(reply, &QObject::destroyed, [] { --g_inFlight; });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, guard, guarded, abandoned, keyed, done = std::move(done)]() {
                         reply->deleteLater();
                         if (*abandoned || (guarded && !guard))
                             return;
                         done(readReply(reply, keyed));
                     });
}
