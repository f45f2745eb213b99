#pragma once

#include <QString>

// What is kept of an entry after its deletion, so that devices learn of it
// and a deletion sent again is answered the same way.
struct DeletedEntry {
    qint64 entryId = 0;
    qint64 userId = 0;
    QString ref;
    qint64 deletedAt = 0;
};
