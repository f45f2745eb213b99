#pragma once

#include "api/HttpReply.h"

#include <QByteArray>
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

// One request to the server, sent once on the shared network manager. The
// completion runs on the main thread when the reply has arrived.
struct HttpCall {
    QByteArray method = "GET";
    QUrl url;
    // JSON body; sent with Content-Type: application/json.
    std::optional<QByteArray> jsonBody;
    // Sent as X-Api-Key when not empty. A keyed request follows redirects
    // only within its own origin; any other fails with redirectedMessage().
    QString apiKey;
    int timeoutMs = 60000;

    void send(QObject* context, std::function<void(const HttpReply&)> done) const;

    // A strictly parsed URL from text, or nothing.
    static std::optional<QUrl> parseUrl(const QString& text);
    // Runs `fn` on the next turn of the main event loop, unless `context` is
    // destroyed by then.
    static void later(QObject* context, std::function<void()> fn);

    // Requests sent and not yet finished and released.
    static int inFlight();
    // Ends every request still under way (their completions see the abort).
    static void abortAll();

    // The failure of a keyed request that the server sent to `target`.
    static QString redirectedMessage(const QUrl& target);
    // The failure of a request whose server showed a certificate that the
    // system does not trust (and that is not the one trusted for it).
    static const QString untrustedMessage;
    // The SHA-256 of the one certificate accepted from the server at `url`'s
    // origin instead of the system's judgement, or nothing: asked before
    // every request.
    static void setTrustSource(std::function<std::optional<QByteArray>(const QUrl&)> source);
    // The SHA-256 of the untrusted certificate last refused at `url`'s origin.
    static std::optional<QByteArray> untrustedCertificate(const QUrl& url);
    // "AB:CD:…", as fingerprints are shown.
    static QString fingerprintText(const QByteArray& sha256);
    // Whether two URLs share scheme, host and port.
    static bool sameOrigin(const QUrl& a, const QUrl& b);

    // Tests: caps every time-out so that a stalled server fails fast.
    static void setTimeoutCapForTesting(std::optional<int> msecs);
    // Tests: sees every call as it is sent (to check time-outs, for example).
    static void setObserverForTesting(std::function<void(const HttpCall&)> observer);
};
