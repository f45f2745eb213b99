#pragma once

#include "api/ApiResult.h"
#include "api/ReportUser.h"
#include "model/ClientChange.h"
#include "model/SyncSummary.h"

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class AppModel;
class QNetworkAccessManager;
class Store;
struct Db;
struct Report;
struct ReportEntry;
struct SyncResponse;
struct SyncSnapshot;

// Every call to the tracking server. Each operation reads the address and key
// when it runs, sends one request on the main thread's network manager and
// ends by calling its completion on the main thread, exactly once, never
// synchronously. When `context` is destroyed first, the request is abandoned
// and the completion is not called.
namespace Api {

struct Credentials {
    QString base;
    QString key;
};

// Base and trimmed key, or nothing when either is empty ("not configured").
std::optional<Credentials> credentials(const Store& store);

// The shared network manager of the main thread.
QNetworkAccessManager& network();

// --- sync ---
// The "since" cursor: the stored instant less 3 seconds, or the text unchanged
// when it is not an instant.
QString rewind(const QString& lastSync);
// Applies a decoded reply to the database. With a snapshot of what the request
// carried, records changed since then stay pending.
void merge(const SyncResponse& response, Db& db, const SyncSnapshot* snapshot = nullptr);
// One exchange: sends pending changes, merges the reply, prunes, saves.
void sync(Store& store, QObject* context, std::function<void(const SyncSummary&)> done);

// Hands the tracking model its sync and its client changes' call.
void connect(AppModel& model);

// --- administration ---
void fetchUsers(const Store& store, QObject* context,
                std::function<void(const QList<ReportUser>&)> done);
void createUser(const Store& store, const QString& name, bool isAdmin, QObject* context,
                std::function<void(const ApiResult<ReportUser>&)> done);
// Switches a person's account off or on; the result is the person as the
// server now has it.
void setUserActive(const Store& store, qint64 userId, bool active, QObject* context,
                   std::function<void(const ApiResult<ReportUser>&)> done);
// Has the server replace a person's key; the result carries the new key.
void issueNewKey(const Store& store, qint64 userId, QObject* context,
                 std::function<void(const ApiResult<ReportUser>&)> done);
// PATCH action=clients with a client's changed fields. Transport failures,
// no configuration and server failures (5xx) answer Failed, so the change is
// sent again later; 400, 403, 404 and 409 answer Refused with the server's
// message.
void sendClientChange(const Store& store, const ClientChange& change, QObject* context,
                      std::function<void(const ClientChange::Answer&)> done);

// --- reports ---
void fetchReport(const Store& store, const QDateTime& from, const QDateTime& to,
                 const QList<qint64>& userIds, const QList<qint64>& clientIds, QObject* context,
                 std::function<void(const ApiResult<Report>&)> done);
// Images per report entry id, at most `maxPerEntry` each; what cannot be
// fetched is left out. Images are kept no larger than the PDF report's
// thumbnails need. `progress` (may be empty) hears how many of all the
// screenshots have been fetched or given up, first with 0.
void downloadScreenshots(const QString& base, const QList<ReportEntry>& entries, int maxPerEntry,
                         QObject* context,
                         std::function<void(const QHash<qint64, QList<QImage>>&)> done,
                         std::function<void(int fetched, int total)> progress = {});

} // namespace Api
