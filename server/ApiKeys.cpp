#include "ApiKeys.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

QString ApiKeys::generate() {
    return randomHex(32);
}

QByteArray ApiKeys::hash(const QString& key) {
    return QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex();
}

QString ApiKeys::randomHex(int count) {
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator* random = QRandomGenerator::system();
    for (int i = 0; i < count; ++i)
        bytes[i] = char(random->bounded(256));
    return QString::fromLatin1(bytes.toHex());
}
