#pragma once

#include <QByteArray>
#include <QString>

// Personal API keys: 32 random bytes written as 64 hexadecimal digits. Only
// the SHA-256 hash of a key is ever stored.
class ApiKeys {
public:
    static QString generate();
    // Lower-case hexadecimal SHA-256 of the key's text.
    static QByteArray hash(const QString& key);
    // `count` random bytes from the system's generator, as lower-case hex.
    static QString randomHex(int count);
};
