#include "update/UpdateChecker.h"

#include "api/Api.h"
#include "api/HttpCall.h"
#include "model/Store.h"
#include "model/Text.h"
#include "update/UpdatePresenter.h"
#include "update/UpdateSteps.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QTimer>
#include <QUuid>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int versionTimeoutMs = 15000;
constexpr int downloadTimeoutMs = 60000;
constexpr int quitDelayMs = 400;
const QString updateFailed = u"Update failed: "_s;

// The version stamped into the executable once, readable with strings(1):
// "zevra-tikit version=1.2.0".
const char versionStamp[] = "zevra-tikit version=" ZEVRA_VERSION;
constexpr qsizetype versionStampPrefix = sizeof("zevra-tikit version=") - 1;

void printLine(const QString& text) {
    std::fputs(qPrintable(text + u'\n'), stdout);
    std::fflush(stdout);
}

} // namespace

UpdateChecker::UpdateChecker(UpdatePresenter& presenter, QObject* parent)
    : QObject(parent)
    , m_presenter(presenter) {
    // A download cut off because the application quits ends without an alert.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_quitting = true; });
}

UpdateChecker::~UpdateChecker() {
    if (m_download) {
        m_download->disconnect(this);
        m_download->abort();
    }
}

QString UpdateChecker::currentVersion() {
    const QString version = QString::fromLatin1(versionStamp + versionStampPrefix);
    return version.isEmpty() ? u"0"_s : version;
}

void UpdateChecker::check(const Store& store, bool announceUpToDate) {
    if (m_checking)
        return;
    const Settings& settings = store.db().settings;
    const QString base = Text::serverBase(settings.server);
    if (base.isEmpty())
        return;
    const std::optional<QUrl> url = HttpCall::parseUrl(base + u"/api.php?action=version"_s);
    if (!url)
        return;
    m_checking = true;
    HttpCall call;
    call.url = *url;
    call.apiKey = settings.apiKey.trimmed();
    call.timeoutMs = versionTimeoutMs;
    call.send(this, [this, announceUpToDate](const HttpReply& reply) {
        std::optional<Release> release;
        if (!reply.isTransportFailure())
            release = Release::fromJson(reply.body);
        const bool newer = release && release->version && !release->version->isEmpty() &&
                           UpdateSteps::isNewer(*release->version, currentVersion());
        // The alerts are modal: they run on a turn of their own, not inside
        // the reply's completion, and no other check starts meanwhile.
        HttpCall::later(this, [this, newer, announceUpToDate, release] {
            if (newer && onAvailable)
                onAvailable(*release);
            else if (!newer && announceUpToDate)
                m_presenter.upToDate(currentVersion());
            m_checking = false;
        });
    });
}

void UpdateChecker::install(const Release& release, const Store& store) {
    if (m_download)
        return; // one download at a time
    if (!release.url || release.url->isEmpty())
        return m_presenter.failed(u"This release has no download URL."_s);
    const std::optional<QUrl> url =
        UpdateSteps::downloadUrl(Text::serverBase(store.db().settings.server), *release.url);
    if (!url)
        return m_presenter.failed(u"Invalid download URL."_s);
    // A copy that a package manager installed is never touched; the dry run
    // still shows what would happen.
    if (!qEnvironmentVariableIsSet("ZEVRA_UPDATE_DRYRUN") &&
        !UpdateSteps::bundleOf(QCoreApplication::applicationFilePath()))
        return m_presenter.failed(updateFailed + UpdateSteps::notFromArchive);

    m_release = release;
    m_zip.setFileName(QDir::temp().filePath(
        u"zevra-update-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces) + u".zip"_s));
    m_progressText = u"Downloading update "_s + release.version.value_or(QString()) + u"\u2026"_s;
    m_presenter.progress(m_progressText, -1);
    if (!m_zip.open(QIODevice::WriteOnly))
        return failDownload(m_zip.errorString());
    m_hash = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256);

    QNetworkRequest request(*url);
    request.setTransferTimeout(downloadTimeoutMs);
    m_download = Api::network().get(request);
    connect(m_download, &QNetworkReply::readyRead, this, [this] {
        const QByteArray chunk = m_download->readAll();
        m_hash->addData(chunk);
        if (m_zip.write(chunk) != chunk.size())
            m_download->abort(); // the write error is reported when it ends
    });
    connect(m_download, &QNetworkReply::downloadProgress, this,
            [this](qint64 received, qint64 total) {
                m_presenter.progress(m_progressText, total > 0 ? double(received) / total : -1);
            });
    connect(m_download, &QNetworkReply::finished, this, &UpdateChecker::downloadFinished);
}

void UpdateChecker::failDownload(const QString& reason) {
    m_zip.close();
    m_zip.remove();
    m_presenter.closeProgress();
    m_presenter.failed(u"Download failed: "_s + (reason.isEmpty() ? u"unknown error"_s : reason));
}

void UpdateChecker::downloadFinished() {
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    m_download = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    if (m_quitting) {
        m_zip.close();
        m_zip.remove();
        return;
    }
    if (m_zip.error() != QFileDevice::NoError)
        return failDownload(m_zip.errorString());
    if (reply->error() != QNetworkReply::NoError)
        return failDownload(reply->errorString());
    const QByteArray rest = reply->readAll();
    m_hash->addData(rest);
    if (m_zip.write(rest) != rest.size())
        return failDownload(m_zip.errorString());
    m_zip.close();
    const QString published = m_release.sha256.value_or(QString()).trimmed().toLower();
    if (!published.isEmpty() && published != QString::fromLatin1(m_hash->result().toHex())) {
        m_zip.remove();
        return fail(UpdateSteps::checksumMismatch);
    }
    unpackAndSwap();
}

void UpdateChecker::fail(const QString& message) {
    m_presenter.closeProgress();
    m_presenter.failed(updateFailed + message);
}

void UpdateChecker::unpackAndSwap() {
    m_presenter.progress(u"Installing update\u2026"_s, -1);
    const UpdateSteps::Unpacked unpacked = UpdateSteps::unpack(m_zip.fileName(), QDir::tempPath());
    m_zip.remove();
    if (!unpacked.error.isEmpty())
        return fail(unpacked.error);

    const std::optional<QString> running =
        UpdateSteps::bundleOf(QCoreApplication::applicationFilePath());
    if (qEnvironmentVariableIsSet("ZEVRA_UPDATE_DRYRUN")) {
        printLine(u"DRYRUN: unpacked "_s + unpacked.bundle);
        printLine(running ? u"DRYRUN: would replace "_s + *running
                          : u"DRYRUN: would replace nothing: "_s + UpdateSteps::notFromArchive);
        m_presenter.closeProgress();
        return;
    }
    if (!running)
        return fail(UpdateSteps::notFromArchive);
    // The new copy goes beside the old one: check now, while an alert can still say so.
    const QString parentFolder = QFileInfo(*running).absolutePath();
    if (!QFileInfo(parentFolder).isWritable())
        return fail(u"Cannot write to the folder "_s + parentFolder + u'.');

    QString error;
    const std::optional<QString> script = UpdateSteps::writeScript(
        unpacked.folder,
        UpdateSteps::swapScript(QCoreApplication::applicationPid(), *running, unpacked.bundle),
        &error);
    if (!script)
        return fail(error);
    QProcess shell;
    shell.setProgram(u"/bin/sh"_s);
    shell.setArguments({*script});
    if (!m_keepScriptOutput) {
        shell.setStandardOutputFile(QProcess::nullDevice());
        shell.setStandardErrorFile(QProcess::nullDevice());
    }
    if (!shell.startDetached())
        return fail(u"Could not start /bin/sh: "_s + shell.errorString());
    QTimer::singleShot(quitDelayMs, this, [this] { m_presenter.terminate(); });
}
