#pragma once

#include <QByteArray>
#include <QString>

// An image pasted while no entry could take it; kept in memory until the next
// timer start.
struct PendingShot {
    QString id;      // upper-case UUID text
    QByteArray data; // encoded image, PNG here
    QString ext;     // "png"

    bool operator==(const PendingShot&) const = default;
};
