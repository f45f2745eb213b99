// db.json as the app reads it at start-up: decoded and migrated. What the app
// then writes must read back as the same database, with or without the cache
// of entry texts, and the fields the panel shows must be computable. The
// status command's quick reader takes any bytes, and from a file the app
// wrote it must give the same running entry and clients as the whole decode.
#include "FuzzCheck.h"

#include "model/Db.h"
#include "model/EntryTextCache.h"
#include "model/Store.h"

#include <QDateTime>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    (void)Db::runningOnly(QByteArrayView(data, qsizetype(size)));
    std::optional<Db> db = Db::decode(fuzzBytes(data, size));
    if (!db)
        return 0;
    Store::migrate(*db);

    EntryTextCache cache;
    const QByteArray written = db->encode(&cache);
    const std::optional<Db> reread = Db::decode(written);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(*reread == *db);
    FUZZ_CHECK(db->encode() == written);
    FUZZ_CHECK(db->encode(&cache) == written);

    // Nothing from the quick reader sends status to the whole decode.
    if (const std::optional<Db> quick = Db::runningOnly(written)) {
        FUZZ_CHECK(quick->clients == db->clients);
        const auto running = std::find_if(db->entries.cbegin(), db->entries.cend(),
                                          [](const Entry& e) { return e.isRunning(); });
        FUZZ_CHECK(running == db->entries.cend() ? quick->entries.isEmpty()
                                                 : quick->entries == QList<Entry>{*running});
    }

    const QDateTime now = QDateTime::fromSecsSinceEpoch(1767600000, Qt::UTC);
    (void)db->pendingCount();
    for (const Entry& entry : std::as_const(db->entries)) {
        (void)entry.duration(now);
        for (const Screenshot& shot : entry.screenshots.value_or(QList<Screenshot>())) {
            if (shot.server)
                (void)Store::reduceServerPath(*shot.server);
        }
    }
    return 0;
}
