#include "api/Api.h"

#include "api/HttpCall.h"
#include "model/Store.h"

// Placeholder until the sync protocol lands.
void Api::sync(Store&, QObject* context, std::function<void(const SyncSummary&)> done)
{
    HttpCall::later(context, [done] { done(SyncSummary{true, QStringLiteral("Not configured"), 0, {}}); });
}
