#include "update/UpdateSteps.h"

#include "update/ZipEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QUuid>

using namespace Qt::StringLiterals;

const QString UpdateSteps::unpackFailed = u"Could not unpack the update."_s;
const QString UpdateSteps::noBundle = u"No .app bundle found in the update."_s;
const QString UpdateSteps::noExecutable =
    u"The application folder in the update has no bin/zevra-tikit."_s;
const QString UpdateSteps::unsafeArchive =
    u"The update holds files that would unpack outside its folder."_s;
const QString UpdateSteps::checksumMismatch =
    u"The download does not match its published checksum."_s;
const QString UpdateSteps::notFromArchive =
    u"This copy of Zevra Tikit was not installed from a release archive; update it the way it "
    u"was installed."_s;

namespace {

QList<qint64> versionNumbers(const QString& version) {
    QList<qint64> out;
    for (const QString& piece : version.split(u'.', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 n = piece.toLongLong(&ok, 10);
        out.append(ok ? n : 0);
    }
    return out;
}

const QString bundleSuffix = u".app"_s;

} // namespace

bool UpdateSteps::isNewer(const QString& a, const QString& b) {
    const QList<qint64> x = versionNumbers(a);
    const QList<qint64> y = versionNumbers(b);
    for (qsizetype i = 0; i < qMax(x.size(), y.size()); ++i) {
        const qint64 p = i < x.size() ? x[i] : 0;
        const qint64 q = i < y.size() ? y[i] : 0;
        if (p != q)
            return p > q;
    }
    return false;
}

std::optional<QUrl> UpdateSteps::downloadUrl(const QString& base, const QString& url) {
    QString text = url;
    if (!url.startsWith("http://"_L1) && !url.startsWith("https://"_L1)) {
        qsizetype from = 0;
        qsizetype to = url.size();
        while (from < to && url[from] == u'/')
            ++from;
        while (to > from && url[to - 1] == u'/')
            --to;
        text = base + u'/' + url.mid(from, to - from);
    }
    const QUrl parsed(text, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty() ||
        (parsed.scheme() != "http"_L1 && parsed.scheme() != "https"_L1))
        return std::nullopt;
    return parsed;
}

std::optional<QString> UpdateSteps::bundleOf(const QString& executablePath) {
    const QFileInfo executable(executablePath);
    if (executable.fileName() != "zevra-tikit"_L1)
        return std::nullopt;
    const QString bin = executable.absolutePath();
    if (QFileInfo(bin).fileName() != "bin"_L1)
        return std::nullopt;
    const QString bundle = QFileInfo(bin).absolutePath();
    const QString name = QFileInfo(bundle).fileName();
    if (!name.endsWith(bundleSuffix) || name == bundleSuffix)
        return std::nullopt;
    return bundle;
}

std::optional<QString> UpdateSteps::findBundle(const QString& folder) {
    const QFileInfoList items = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo& item : items) {
        if (item.suffix() == "app"_L1)
            return item.absoluteFilePath();
    }
    return std::nullopt;
}

UpdateSteps::Unpacked UpdateSteps::unpack(const QString& zipPath, const QString& tempRoot) {
    Unpacked out;
    out.folder = QDir(tempRoot).filePath(u"zevra-update-"_s +
                                         QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!QDir().mkpath(out.folder)) {
        out.error = u"Could not create the folder "_s + out.folder + u'.';
        return out;
    }
    const std::optional<QList<ZipEntries::Entry>> entries = ZipEntries::read(zipPath);
    if (!entries) {
        out.error = unpackFailed;
        return out;
    }
    for (const ZipEntries::Entry& entry : *entries) {
        if (ZipEntries::leavesFolder(entry)) {
            out.error = unsafeArchive;
            return out;
        }
    }
    QProcess unzip;
    unzip.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    unzip.setStandardOutputFile(QProcess::nullDevice());
    unzip.start(u"/usr/bin/unzip"_s, {u"-q"_s, u"-o"_s, zipPath, u"-d"_s, out.folder});
    if (!unzip.waitForFinished(-1) || unzip.exitStatus() != QProcess::NormalExit ||
        unzip.exitCode() != 0) {
        out.error = unpackFailed;
        return out;
    }
    // The entries were checked, but the walk is what counts: nothing unzip
    // made may point elsewhere or be other than a folder or a file.
    if (!onlyPlainFiles(out.folder)) {
        out.error = unsafeArchive;
        return out;
    }
    const std::optional<QString> bundle = findBundle(out.folder);
    if (!bundle) {
        out.error = noBundle;
        return out;
    }
    out.bundle = *bundle;
    const QFileInfo executable(out.bundle + u"/bin/zevra-tikit"_s);
    if (!executable.isFile() || !executable.isExecutable())
        out.error = noExecutable;
    return out;
}

bool UpdateSteps::onlyPlainFiles(const QString& folder) {
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo item = it.nextFileInfo();
        if (item.isSymLink() || !(item.isDir() || item.isFile()))
            return false;
    }
    return true;
}

QString UpdateSteps::shellQuote(const QString& path) {
    QString quoted = path;
    quoted.replace(u'\'', u"'\\''"_s);
    return u'\'' + quoted + u'\'';
}

QString UpdateSteps::swapScript(qint64 pid, const QString& oldBundle, const QString& newBundle) {
    const QString old = shellQuote(oldBundle);
    const QString fresh = shellQuote(oldBundle + u".zevra-new"_s);
    const QString aside = shellQuote(oldBundle + u".zevra-old"_s);
    const QString executable = shellQuote(oldBundle + u"/bin/zevra-tikit"_s);
    QStringList lines;
    lines << u"#!/bin/sh"_s;
    lines << u"while /bin/kill -0 "_s + QString::number(pid) +
                 u" 2>/dev/null; do /bin/sleep 0.25; done"_s;
    lines << u"/bin/rm -rf "_s + fresh + u' ' + aside;
    // The old folder goes aside only once the whole copy is beside it and on
    // the disk.
    lines << u"if /bin/cp -a "_s + shellQuote(newBundle) + u' ' + fresh +
                 u" && /bin/sync && /bin/mv "_s + old + u' ' + aside + u" && /bin/mv "_s + fresh +
                 u' ' + old + u"; then /bin/rm -rf "_s + aside + u"; else /bin/rm -rf "_s + fresh +
                 u"; [ -e "_s + old + u" ] || /bin/mv "_s + aside + u' ' + old + u"; fi"_s;
    // No download mark to clear here; keep the folder replaceable by the next update.
    lines << u"/bin/chmod -R u+w "_s + old + u" 2>/dev/null"_s;
    lines << u"cd / && "_s + executable + u" </dev/null &"_s;
    return lines.join(u'\n');
}

std::optional<QString> UpdateSteps::writeScript(const QString& folder, const QString& text,
                                                QString* error) {
    const QString path = QDir(folder).filePath(u"swap.sh"_s);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        *error = file.errorString();
        return std::nullopt;
    }
    const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther;
    if (!QFile::setPermissions(path, mode)) {
        *error = u"Could not make "_s + path + u" executable."_s;
        return std::nullopt;
    }
    return path;
}
