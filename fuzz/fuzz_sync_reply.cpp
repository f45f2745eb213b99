// The server's answer to a sync request, merged into a small database the way
// the app merges it: against the snapshot of what the request carried, and
// without one. The merged database must survive being saved and read again,
// and the next request must be buildable from it.
#include "FuzzCheck.h"

#include "api/SyncMerge.h"
#include "api/SyncRequest.h"
#include "model/Store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Two synced clients and one new; an entry synced, one changed, one new and
// running with a picture file and a picture on the server, one deleted.
const char* const localDb = R"({
 "clients": [
  {"archived": false, "color": "#faaf3b", "id": "srv1", "name": "Acme", "server_id": 1,
   "sync_state": "synced"},
  {"archived": false, "color": "#3b8bfa", "id": "srv2", "name": "Beta GmbH", "server_id": 2,
   "sync_state": "synced"},
  {"archived": false, "color": "#00aa00", "id": "c-new", "name": "Gamma", "sync_state": "pending"}
 ],
 "entries": [
  {"client_id": "srv1", "deleted": false, "description": "Design review",
   "ended_at": "2026-01-05T10:30:00Z", "id": "srv1", "screenshot_cleared": false,
   "screenshot_pending_upload": false,
   "screenshots": [{"server": "2026/01/b47a13999a0effbdc2be5c61a1cd76a5.png"}], "server_id": 1,
   "started_at": "2026-01-05T09:00:00Z", "sync_state": "synced",
   "updated_at": "2026-01-05T10:30:00Z"},
  {"client_id": "srv2", "deleted": false, "description": "Running task, renamed",
   "ended_at": "2026-01-05T12:00:00Z", "id": "srv2", "screenshot_cleared": false,
   "screenshot_pending_upload": false, "screenshots": [], "server_id": 2,
   "started_at": "2026-01-05T11:00:00Z", "sync_state": "pending",
   "updated_at": "2026-01-05T12:00:00Z"},
  {"client_id": "c-new", "deleted": false, "description": "New work", "id": "e-3",
   "screenshot_cleared": false, "screenshot_pending_upload": true,
   "screenshots": [{"file": "shot.png"}, {"server": "2026/01/0123456789abcdef.png"}],
   "started_at": "2026-01-05T13:00:00Z", "sync_state": "pending",
   "updated_at": "2026-01-05T13:00:00Z"},
  {"deleted": true, "description": "Gone", "id": "e-4", "screenshot_cleared": false,
   "screenshot_pending_upload": false, "screenshots": [], "server_id": 3,
   "started_at": "2026-01-04T09:00:00Z", "ended_at": "2026-01-04T10:00:00Z",
   "sync_state": "pending", "updated_at": "2026-01-05T08:00:00Z"}
 ],
 "settings": {"api_key": "k", "is_admin": false, "server": "http://127.0.0.1:8080",
              "user_name": "Ada", "last_sync": "2026-01-05T08:00:00Z"},
 "tasks": []
})";

Store* store = nullptr;
Db local;
SyncSnapshot snapshot;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QTemporaryDir folder;
    store = new Store(folder.path());
    QFile shot(store->screenshotsDir() + QStringLiteral("/shot.png"));
    FUZZ_CHECK(shot.open(QIODevice::WriteOnly) && shot.write("\x89PNG\r\n\x1a\n") == 8);
    shot.close();
    const std::optional<Db> decoded = Db::decode(localDb);
    FUZZ_CHECK(decoded.has_value());
    local = *decoded;
    store->db() = local;
    (void)SyncRequest::body(*store, &snapshot);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const std::optional<SyncResponse> response = SyncResponse::decode(fuzzBytes(data, size));
    if (!response)
        return 0;
    const SyncSnapshot* const snapshots[] = {&snapshot, nullptr};
    for (const SyncSnapshot* carried : snapshots) {
        store->db() = local;
        SyncMerge merge(store->db(), carried);
        merge.apply(*response);
        const QByteArray written = store->db().encode();
        const std::optional<Db> reread = Db::decode(written);
        FUZZ_CHECK(reread.has_value());
        FUZZ_CHECK(*reread == store->db());
        const QSet<QString> batch = SyncRequest::nextBatch(*store, 4096, {});
        (void)SyncRequest::body(*store, nullptr, &batch);
    }
    return 0;
}
