#include "StoredFileDevice.h"

#include "Storage.h"
#include "StorageError.h"
#include "StoredFiles.h"

#include <cstring>

StoredFileDevice::StoredFileDevice(Storage& storage, const QString& path, qint64 size,
                                   QObject* parent)
    : QIODevice(parent)
    , m_storage(storage)
    , m_path(path)
    , m_size(size) {}

qint64 StoredFileDevice::readData(char* data, qint64 maxSize) {
    const qint64 at = pos();
    if (at >= m_size)
        return -1;
    const qint64 position = at / StoredFiles::chunkBytes;
    if (position != m_chunkPosition) {
        try {
            m_chunk = StoredFiles(m_storage).chunk(m_path, position);
        } catch (const StorageError&) {
            return -1;
        }
        m_chunkPosition = position;
    }
    const qint64 offset = at % StoredFiles::chunkBytes;
    // A file removed meanwhile ends early.
    const qint64 n = std::min(maxSize, qint64(m_chunk.size()) - offset);
    if (n <= 0)
        return -1;
    std::memcpy(data, m_chunk.constData() + offset, size_t(n));
    return n;
}
