#pragma once

#include "model/Client.h"
#include "model/Entry.h"

#include <QHash>
#include <QString>

// The records a sync request carried, as they were when its body was built.
// The merge compares them with the database: a record that changed while the
// request was in flight keeps its local changes and stays pending.
struct SyncSnapshot {
    QHash<QString, Entry> entries; // by local id
    QHash<QString, Client> clients;
    // The pictures of each entry in the order the request listed them (a
    // file that could not be read is not among them).
    QHash<QString, QList<Screenshot>> sentShots;
};
