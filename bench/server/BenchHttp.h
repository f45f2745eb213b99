#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>

#include <optional>

// Sends one request and waits for its answer in a local event loop, so that
// an in-process server can answer it. For benchmarks only.
class BenchHttp {
public:
    struct Answer {
        int status = 0;
        QByteArray body;
    };

    Answer send(const QByteArray& method, const QString& url, const QString& key,
                const std::optional<QByteArray>& body = std::nullopt);

private:
    QNetworkAccessManager m_network;
};
