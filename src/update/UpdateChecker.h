#pragma once

#include "update/Release.h"

#include <QCryptographicHash>
#include <QFile>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QNetworkReply;
class Store;
class UpdatePresenter;

// Asks the server for its newest release and installs it: download, checksum,
// unpack, and a script that swaps the application folder once this process
// has ended. One instance serves the application for its whole run.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    explicit UpdateChecker(UpdatePresenter& presenter, QObject* parent = nullptr);
    ~UpdateChecker() override;

    // The version this program was built as.
    static QString currentVersion();

    // Asks for the newest release; `announceUpToDate` when the person asked
    // and must hear back even when there is nothing new. Without a server
    // address nothing happens; while a request is under way neither.
    void check(const Store& store, bool announceUpToDate);
    bool checking() const { return m_checking; }

    // Downloads and installs `release`.
    void install(const Release& release, const Store& store);

    // Called on the main thread when a newer release was found.
    std::function<void(const Release&)> onAvailable;

    // The swap script and the copy it starts write to this process's
    // standard output instead of the null device (the headless mode).
    void setKeepScriptOutput(bool keep) { m_keepScriptOutput = keep; }

private:
    void downloadFinished();
    void failDownload(const QString& reason);
    void unpackAndSwap();
    void fail(const QString& message);

    UpdatePresenter& m_presenter;
    bool m_checking = false;
    bool m_keepScriptOutput = false;
    bool m_quitting = false;
    QPointer<QNetworkReply> m_download;
    QFile m_zip;
    std::unique_ptr<QCryptographicHash> m_hash;
    Release m_release;
    QString m_progressText;
};
