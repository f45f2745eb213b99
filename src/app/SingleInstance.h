#pragma once

#include "app/Command.h"

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;

// One running copy per data folder: the copy that holds the folder's lock
// ("db.lock") is the only writer of its database, and listens on a local
// socket named after the folder so that a second start, or the command line,
// can hand its work over to it. One JSON line asks, one JSON line answers.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const Command&, std::function<void(const CommandResult&)>)>;

    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock, waiting up to `waitMs`; false when another live copy
    // holds it. A lock left behind by a copy that died is taken over.
    bool tryLock(int waitMs = 0);
    // Answers other copies' commands through `handler`.
    bool listen(Handler handler);

    // Hands a command to the copy that holds the lock and waits for its
    // answer; nothing when no copy answers.
    static std::optional<CommandResult> ask(const QString& dataDirectory, const Command& command,
                                            int timeoutMs = 30000);
    // How long a writer waits for another one to let go of the folder.
    static constexpr int lockWaitMs = 5000;

    // The local socket's name for a data folder.
    static QString socketName(const QString& dataDirectory);

private:
    void answer();

    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
    QString m_name;
    Handler m_handler;
};
