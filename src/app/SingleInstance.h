#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

// One running copy per data folder: the copy that holds the folder's lock
// ("db.lock") is the only writer of its database, and listens on a local
// socket named after the folder so that a second start can hand over to it.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock, waiting up to `waitMs`; false when another live copy
    // holds it. A lock left behind by a copy that died is taken over.
    bool tryLock(int waitMs = 0);
    // Answers other copies; `onShow` runs when one asks for the panel.
    bool listen(std::function<void()> onShow);

    // Asks the copy that holds the lock to open its panel; true once it has
    // confirmed.
    static bool askToShow(const QString& dataDirectory, int timeoutMs = 3000);
    // The local socket's name for a data folder.
    static QString socketName(const QString& dataDirectory);

private:
    void answer();

    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
    QString m_name;
    std::function<void()> m_onShow;
};
