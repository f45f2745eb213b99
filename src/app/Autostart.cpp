#include "app/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

QString Autostart::path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/autostart/zevra-tikit.desktop"_s;
}

bool Autostart::isEnabled() {
    return QFile::exists(path());
}

QString Autostart::entry(const QString& executable) {
    // Exec quoting of desktop entries: the program in double quotes, with
    // backslash before ", `, $ and \ (and the backslash itself doubled again
    // by the file format's own escaping).
    QString quoted;
    for (const QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$')
            quoted += u"\\\\"_s + c;
        else if (c == u'\\')
            quoted += u"\\\\\\\\"_s;
        else if (c == u'%')
            quoted += u"%%"_s; // not a field code
        else
            quoted += c;
    }
    return u"[Desktop Entry]\n"
           u"Type=Application\n"
           u"Name=Zevra Tikit\n"
           u"Comment=Time tracker in the system tray\n"
           u"Exec=\""_s +
           quoted +
           u"\"\n"
           u"Icon=zevra-tikit\n"
           u"Terminal=false\n"
           u"X-GNOME-Autostart-enabled=true\n"_s;
}

std::optional<QString> Autostart::setEnabled(bool enabled, const QString& executable) {
    const QString file = path();
    if (!enabled) {
        if (QFile::exists(file) && !QFile::remove(file))
            return u"Could not remove "_s + file;
        return std::nullopt;
    }
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return u"Could not create "_s + QFileInfo(file).absolutePath();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    out.write(entry(executable).toUtf8());
    if (!out.commit())
        return out.errorString();
    return std::nullopt;
}

QString Autostart::currentExecutable() {
    const QString program = QCoreApplication::applicationFilePath();
    // Inside "Zevra Tikit.app/bin/": the bundle's program, which an update
    // replaces in place.
    QDir dir = QFileInfo(program).absoluteDir();
    while (!dir.isRoot()) {
        if (dir.dirName().endsWith(u".app"_s))
            return dir.filePath(u"bin/zevra-tikit"_s);
        if (!dir.cdUp())
            break;
    }
    return program;
}
