#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace {

// Connecting is local and immediate; only the answer may take a while (a sync).
constexpr int connectTimeoutMs = 2000;
constexpr qint64 maxLine = 1024 * 1024;

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
    if (m_lock.tryLock(0))
        return true;
    // A copy killed between creating the lock file and writing its process id
    // into it leaves a file that names no holder; without a stale time it
    // would shut every later copy out for good. Writing the id takes far less
    // than a second, so an older file without one is taken over (Qt removes
    // it only when no live process holds its file lock).
    qint64 pid = 0;
    QString host, app;
    const QFileInfo file(m_lock.fileName());
    if (!m_lock.getLockInfo(&pid, &host, &app) && file.exists() &&
        file.lastModified().msecsTo(QDateTime::currentDateTime()) > 1000)
        m_lock.removeStaleLockFile();
    return m_lock.tryLock(waitMs);
}

bool SingleInstance::listen(Handler handler) {
    m_handler = std::move(handler);
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
        QPointer<QLocalSocket> guard(socket);
        const auto reply = [guard](const CommandResult& result) {
            if (!guard)
                return;
            guard->write(QJsonDocument(result.toJson()).toJson(QJsonDocument::Compact) + '\n');
            guard->flush();
            guard->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, reply] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maxLine)
                    socket->abort();
                return;
            }
            disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
            const QJsonObject request = QJsonDocument::fromJson(socket->readLine(maxLine)).object();
            const std::optional<Command> command = Command::fromJson(request);
            if (!command || !m_handler)
                return reply(CommandResult::usage(QStringLiteral("Unknown request.")));
            m_handler(*command, reply);
        });
    }
}

std::optional<CommandResult> SingleInstance::ask(const QString& dataDirectory,
                                                 const Command& command, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketName(dataDirectory));
    if (!socket.waitForConnected(connectTimeoutMs))
        return std::nullopt;
    socket.write(QJsonDocument(command.toJson()).toJson(QJsonDocument::Compact) + '\n');
    if (!socket.waitForBytesWritten(connectTimeoutMs))
        return std::nullopt;
    // From here on the app has the command and may have carried it out even
    // if it ends before answering: doing it again here could start a second
    // entry, so say so instead.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            return CommandResult::failed(QStringLiteral(
                "Zevra Tikit took the command but ended or stopped answering before it "
                "replied; it may have been carried out (zevra-tikit status shows)."));
        }
    }
    return CommandResult::fromJson(QJsonDocument::fromJson(socket.readLine(maxLine)).object());
}
