#include "BenchHttp.h"

#include <QEventLoop>
#include <QNetworkReply>

BenchHttp::Answer BenchHttp::send(const QByteArray& method, const QString& url, const QString& key,
                                  const std::optional<QByteArray>& body) {
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("X-Api-Key", key.toUtf8());
    if (body)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    QNetworkReply* reply = body ? m_network.sendCustomRequest(request, method, *body)
                                : m_network.sendCustomRequest(request, method);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    Answer a;
    a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    a.body = reply->readAll();
    reply->deleteLater();
    return a;
}
