#include "ServerRunner.h"

#include "PeopleAction.h"
#include "PictureStore.h"
#include "ReleaseStore.h"
#include "SignalWatcher.h"
#include "Storage.h"
#include "StorageError.h"
#include "StoredFiles.h"
#include "TrackingServer.h"
#include "model/DiskSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QTemporaryFile>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QHostAddress addressOf(const QString& host) {
    if (host == "localhost"_L1)
        return QHostAddress(QHostAddress::LocalHost);
    return QHostAddress(host);
}

QString urlHost(const QString& host) {
    return host.contains(u':') ? u'[' + host + u']' : host;
}

// Raises the soft limit of open files towards the hard one so that `wanted`
// descriptors can be open; gives how many can.
rlim_t raiseOpenFiles(rlim_t wanted) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return wanted;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        limit.rlim_cur =
            limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_cur);
}

} // namespace

ServerRunner::ServerRunner(QTextStream& out, QTextStream& err)
    : m_out(out)
    , m_err(err) {}

int ServerRunner::failed(const QString& message) {
    m_err << "zevra-server: " << message << Qt::endl;
    return 1;
}

int ServerRunner::run(const QStringList& arguments) {
    QString error;
    const std::optional<ServerCommand> command = ServerCommand::parse(arguments, &error);
    if (!command) {
        m_err << "zevra-server: " << error << "\n\n" << ServerCommand::usage() << Qt::flush;
        return 2;
    }
    return run(*command);
}

int ServerRunner::run(const ServerCommand& command) {
    try {
        switch (command.kind) {
        case ServerCommand::Kind::Help:
            m_out << ServerCommand::usage() << Qt::flush;
            return 0;
        case ServerCommand::Kind::Version:
            m_out << "zevra-server " << ZEVRA_VERSION << Qt::endl;
            return 0;
        case ServerCommand::Kind::CreateAdmin:
            return createAdmin(command);
        case ServerCommand::Kind::Publish:
            return publish(command);
        case ServerCommand::Kind::MigrateTo:
            return migrateTo(command);
        case ServerCommand::Kind::Backup:
            return backup(command);
        case ServerCommand::Kind::Serve:
            return serve(command);
        }
    } catch (const StorageError& e) {
        return failed(e.message());
    }
    return 1;
}

int ServerRunner::createAdmin(const ServerCommand& command) {
    DataFolder data;
    QString error;
    if (!data.open(command.dataPath, command.database, &error))
        return failed(error);
    PeopleAction people(data.storage());
    const std::optional<PeopleAction::Created> created = people.create(command.name, true, &error);
    if (!created)
        return failed(error);
    // The key alone on standard output, so that scripts can capture it.
    m_out << created->apiKey << Qt::endl;
    m_err << "Created administrator \"" << created->user.name << "\" (id " << created->user.id
          << "). The API key above is shown only this once." << Qt::endl;
    return 0;
}

int ServerRunner::publish(const ServerCommand& command) {
    DataFolder data;
    QString error;
    if (!data.open(command.dataPath, command.database, &error))
        return failed(error);
    if (!data.releases().publish(command.version, command.zipPath, command.notes, &error))
        return failed(error);
    const std::optional<ServerRelease> release = data.storage().release(command.version);
    m_out << "Published " << command.version << " at "
          << ReleaseStore::urlPath(release.value_or(ServerRelease{})) << Qt::endl;
    return 0;
}

int ServerRunner::migrateTo(const ServerCommand& command) {
    DataFolder data;
    QString error;
    if (!data.open(command.dataPath, command.database, &error))
        return failed(error);
    if (command.target.display() == data.database().display())
        return failed(u"the records are already in %1"_s.arg(command.target.display()));
    // A server on SQLite serves files from its folders only.
    if (command.target.engine == DatabaseUrl::Engine::SQLite &&
        !StoredFiles(data.storage()).paths().isEmpty())
        return failed(u"%1 holds pictures or release archives, which a server on SQLite cannot "
                      "serve; give a PostgreSQL database"_s.arg(data.database().display()));
    Storage target;
    if (!target.open(command.target, &error))
        return failed(u"cannot open the database %1: %2"_s.arg(command.target.display(), error));
    // Copying into a database in use would mix two teams' records.
    if (!target.isEmpty())
        return failed(
            u"%1 already holds records; give an empty database"_s.arg(command.target.display()));
    const QList<std::pair<QString, qint64>> counts = data.storage().copyTo(target);
    m_out << "Copied to " << command.target.display() << ":";
    for (const auto& [table, count] : counts)
        m_out << ' ' << table << ' ' << count;
    if (command.target.engine == DatabaseUrl::Engine::PostgreSQL) {
        m_out << " pictures " << PictureStore(data.pictures().root(), &target).importFolder()
              << " archives " << ReleaseStore(target, data.releases().root(), true).importFolder();
    }
    m_out << Qt::endl;
    m_err << "Start zevra-server with --database " << command.target.display() << Qt::endl;
    return 0;
}

int ServerRunner::backup(const ServerCommand& command) {
    const DatabaseUrl url = command.database.value_or(DataFolder::ownDatabase(command.dataPath));
    if (url.engine != DatabaseUrl::Engine::SQLite)
        return failed(
            u"the records are in PostgreSQL (%1); back them up with pg_dump"_s.arg(url.display()));
    if (!QFileInfo(url.path).isFile())
        return failed(u"there is no database at %1"_s.arg(url.path));
    const QFileInfo target(command.backupPath);
    const QString path = target.absoluteFilePath();
    if (target.exists() && target.canonicalFilePath() == QFileInfo(url.path).canonicalFilePath())
        return failed(u"%1 is the database itself"_s.arg(path));
    if (target.exists() && !command.force)
        return failed(u"%1 exists; give another name, or --force to replace it"_s.arg(path));
    Storage storage;
    QString error;
    if (!storage.open(url, &error))
        return failed(u"cannot open the database %1: %2"_s.arg(url.display(), error));
    // Written under a temporary name beside the copy (readable by its owner
    // only) and given its name once complete, so that a copy under that name
    // is always whole.
    QTemporaryFile part(path + u".part-XXXXXX"_s);
    if (!part.open())
        return failed(u"cannot write in %1: %2"_s.arg(target.absolutePath(), part.errorString()));
    part.close();
    if (!storage.backupTo(part.fileName()))
        return failed(u"%1 cannot be copied this way"_s.arg(url.display()));
    storage.close();
    if (!DiskSync::flush(part.fileName()))
        return failed(u"cannot write %1 to the disk"_s.arg(part.fileName()));
    const QByteArray from = QFile::encodeName(part.fileName());
    const QByteArray to = QFile::encodeName(path);
    // A link is never made over an existing file, unlike a rename.
    if ((command.force ? ::rename(from, to) : ::link(from, to)) != 0)
        return failed(u"cannot create %1: %2"_s.arg(path, QString::fromLocal8Bit(strerror(errno))));
    DiskSync::flush(target.absolutePath());
    m_out << "Wrote a copy of " << url.display() << " to " << path << " (" << QFileInfo(path).size()
          << " bytes)" << Qt::endl;
    return 0;
}

int ServerRunner::serve(const ServerCommand& command) {
    TrackingServer server;
    if (command.workers)
        server.setWorkers(*command.workers);
    QString error;
    if (!server.open(command.dataPath, command.database, &error))
        return failed(error);
    // Room for the database, pictures and archives being sent, besides the
    // connections.
    constexpr int otherFiles = 64;
    int maxConnections = command.maxConnections.value_or(TrackingServer::defaultMaxConnections);
    const rlim_t files = raiseOpenFiles(rlim_t(maxConnections) + otherFiles);
    if (files < rlim_t(maxConnections) + otherFiles) {
        maxConnections = std::max(1, int(files) - otherFiles);
        m_err << "zevra-server: only " << files << " files may be open; serving at most "
              << maxConnections << " connections at once" << Qt::endl;
    }
    server.setMaxConnections(maxConnections);
    server.setIdleTimeout(command.idleTimeoutSeconds
                              ? std::chrono::seconds(*command.idleTimeoutSeconds)
                              : TrackingServer::defaultIdleTimeout);
    const bool tls = !command.tlsCertPath.isEmpty();
    if (tls && !server.setTls(command.tlsCertPath, command.tlsKeyPath, &error))
        return failed(u"cannot serve HTTPS: "_s + error);
    const quint16 port = server.listenOn(addressOf(command.host), command.port, &error);
    if (port == 0)
        return failed(u"cannot listen on %1:%2: %3"_s.arg(urlHost(command.host))
                          .arg(command.port)
                          .arg(error));

    // On SIGTERM (a rolling restart) or SIGINT, no new connection is taken
    // and the requests under way are answered, for the drain time-out at most;
    // a second signal ends at once.
    SignalWatcher watcher;
    QTimer drainCheck;
    QElapsedTimer draining;
    const qint64 drainLimit = qint64(command.drainTimeoutSeconds.value_or(25)) * 1000;
    QObject::connect(&drainCheck, &QTimer::timeout, qApp, [&] {
        if (server.openConnections() == 0 || draining.hasExpired(drainLimit))
            QCoreApplication::exit(0);
    });
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, qApp, [&] {
        if (server.isDraining())
            return QCoreApplication::exit(0);
        server.drain();
        draining.start();
        drainCheck.start(std::chrono::milliseconds(50));
    });
    // Renewed certificates are read again for the connections that follow;
    // a pair that cannot be used leaves the one in use.
    QObject::connect(&watcher, &SignalWatcher::reloadRequested, qApp, [&] {
        if (!tls)
            return;
        QString why;
        if (server.setTls(command.tlsCertPath, command.tlsKeyPath, &why))
            m_err << "zevra-server: reloaded the TLS certificate " << command.tlsCertPath
                  << Qt::endl;
        else
            m_err << "zevra-server: kept the TLS certificate in use: " << why << Qt::endl;
    });
    m_out << "zevra-server listening on " << (tls ? "https://" : "http://") << urlHost(command.host)
          << ':' << port << ", data in " << server.data().path() << ", database "
          << server.data().database().display() << Qt::endl;
    return QCoreApplication::exec();
}
