#pragma once

#include <QIODevice>
#include <QString>

class Storage;

// Reads a file kept in the database, one piece at a time, so that answering
// with a large file never holds more than one piece of it in memory.
class StoredFileDevice : public QIODevice {
    Q_OBJECT
public:
    StoredFileDevice(Storage& storage, const QString& path, qint64 size, QObject* parent = nullptr);

    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    Storage& m_storage;
    QString m_path;
    qint64 m_size;
    qint64 m_chunkPosition = -1;
    QByteArray m_chunk;
};
