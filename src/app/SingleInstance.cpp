#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr char showRequest[] = "show\n";
constexpr char showAnswer[] = "ok\n";

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent)
    , m_lock(QDir(dataDirectory).filePath(QStringLiteral("db.lock")))
    , m_name(socketName(dataDirectory)) {
    // The app keeps the lock for as long as it runs: only a dead holder makes
    // it stale, never its age.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName(const QString& dataDirectory) {
    const QString canonical = QFileInfo(dataDirectory).absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("zevra-tikit-") + QString::fromLatin1(hash.left(24));
}

bool SingleInstance::tryLock(int waitMs) {
    QDir().mkpath(QFileInfo(m_lock.fileName()).absolutePath());
    return m_lock.tryLock(waitMs);
}

bool SingleInstance::listen(std::function<void()> onShow) {
    m_onShow = std::move(onShow);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, a socket of the same name can only be left over from
    // a copy that died.
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
    return true;
}

void SingleInstance::answer() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine(64);
            if (line == showRequest && m_onShow) {
                m_onShow();
                socket->write(showAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::askToShow(const QString& dataDirectory, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketName(dataDirectory));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(showRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine(64) == showAnswer;
}
