#include "update/ZipEntries.h"

#include <QFile>

namespace {

constexpr qint64 endRecordSize = 22;
constexpr qint64 maxCommentSize = 0xFFFF;
constexpr qsizetype centralHeaderSize = 46;
constexpr quint32 fileTypeMask = 0170000;
constexpr quint32 linkType = 0120000;

quint32 u16(const QByteArray& bytes, qsizetype at) {
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8;
}

quint32 u32(const QByteArray& bytes, qsizetype at) {
    return u16(bytes, at) | u16(bytes, at + 2) << 16;
}

} // namespace

std::optional<QList<ZipEntries::Entry>> ZipEntries::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < endRecordSize)
        return std::nullopt;
    const qint64 tailSize = qMin(file.size(), endRecordSize + maxCommentSize);
    if (!file.seek(file.size() - tailSize))
        return std::nullopt;
    const QByteArray tail = file.read(tailSize);
    const qsizetype end = tail.lastIndexOf(QByteArrayLiteral("PK\x05\x06"));
    if (end < 0 || end + endRecordSize > tail.size())
        return std::nullopt;
    const quint32 count = u16(tail, end + 10);
    const quint32 size = u32(tail, end + 12);
    const quint32 offset = u32(tail, end + 16);
    if (count == 0xFFFF || offset == 0xFFFFFFFF || !file.seek(offset))
        return std::nullopt;
    const QByteArray dir = file.read(size);
    if (dir.size() != qsizetype(size))
        return std::nullopt;

    QList<Entry> entries;
    qsizetype at = 0;
    for (quint32 i = 0; i < count; ++i) {
        if (at + centralHeaderSize > dir.size() || u32(dir, at) != 0x02014b50)
            return std::nullopt;
        const qsizetype nameSize = u16(dir, at + 28);
        const qsizetype skip = nameSize + u16(dir, at + 30) + u16(dir, at + 32);
        const quint32 mode = u32(dir, at + 38) >> 16;
        if (at + centralHeaderSize + skip > dir.size())
            return std::nullopt;
        Entry entry;
        entry.name = QString::fromUtf8(dir.mid(at + centralHeaderSize, nameSize));
        // unzip makes a link from these mode bits whatever system the entry
        // says made it, so the "made by" byte is not consulted.
        entry.isLink = (mode & fileTypeMask) == linkType;
        entries.append(entry);
        at += centralHeaderSize + skip;
    }
    return entries;
}

bool ZipEntries::leavesFolder(const Entry& entry) {
    if (entry.isLink || entry.name.startsWith(u'/') || entry.name.startsWith(u'\\'))
        return true;
    QString name = entry.name;
    name.replace(u'\\', u'/');
    return name.split(u'/').contains(QStringLiteral(".."));
}
