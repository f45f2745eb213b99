#include "reports/ReportFile.h"

#include <QSaveFile>

using namespace Qt::StringLiterals;

std::optional<QString> ReportFile::write(const QString& path, const QByteArray& data) {
    if (data.isEmpty())
        return u"Could not build the file."_s;
    if (path.isEmpty())
        return u"No file name given."_s;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(data) != data.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
