// Requests to the server's API as its router receives them, on a database of
// its own per input (SQLite in memory) with an administrator, Ada, a member,
// Bob, and a client. An input is up to four requests separated by "\n--\n";
// the first character of each picks the call and the caller (lower case Ada,
// upper case Bob): s sync, u create a person, p change a person, c a client's
// colour, r report (the rest is the query), l list people. The rest is the
// body. Every answer must be JSON with a status the router gives.
#include "FuzzCheck.h"

#include "ApiRouter.h"
#include "PeopleAction.h"
#include "PictureStore.h"
#include "ReleaseStore.h"
#include "ServerTime.h"
#include "Storage.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace {

QTemporaryDir* folder = nullptr;

struct Call {
    QByteArray method;
    QString action;
    bool member = false;
};

Call callFor(char c) {
    const bool member = c >= 'A' && c <= 'Z';
    switch (member ? char(c - 'A' + 'a') : c) {
    case 's':
        return {"POST", QStringLiteral("sync"), member};
    case 'u':
        return {"POST", QStringLiteral("users"), member};
    case 'p':
        return {"PATCH", QStringLiteral("users"), member};
    case 'c':
        return {"PATCH", QStringLiteral("clients"), member};
    case 'r':
        return {"GET", QStringLiteral("reports"), member};
    case 'l':
        return {"GET", QStringLiteral("users"), member};
    default:
        return {"POST", QStringLiteral("sync"), member};
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QString uploads = folder->filePath(QStringLiteral("uploads"));
    QDir(uploads).removeRecursively();
    QDir().mkpath(uploads);

    Storage storage;
    QString error;
    FUZZ_CHECK(storage.open(DatabaseUrl::sqlite(QStringLiteral(":memory:")), &error));
    PeopleAction people(storage);
    const std::optional<PeopleAction::Created> ada =
        people.create(QStringLiteral("Ada"), true, &error);
    const std::optional<PeopleAction::Created> bob =
        people.create(QStringLiteral("Bob"), false, &error);
    FUZZ_CHECK(ada && bob);
    storage.createClient(QStringLiteral("Acme"), QStringLiteral("#faaf3b"), ada->user.id,
                         ServerTime::now());

    PictureStore pictures(uploads);
    ReleaseStore releases(storage, folder->filePath(QStringLiteral("releases")));
    ApiRouter router(storage, pictures, releases);

    const QList<QByteArray> requests = fuzzBytes(data, size).split('\n');
    QByteArray request;
    int sent = 0;
    const auto send = [&](const QByteArray& text) {
        if (text.isEmpty() || ++sent > 4)
            return;
        const Call call = callFor(text[0]);
        const QByteArray rest = text.mid(1);
        QUrlQuery query;
        if (call.method == "GET" && call.action == QStringLiteral("reports"))
            query.setQuery(QString::fromUtf8(rest));
        query.removeAllQueryItems(QStringLiteral("action"));
        query.addQueryItem(QStringLiteral("action"), call.action);
        const QString key = call.member ? bob->apiKey : ada->apiKey;
        const HttpAnswer answer = router.handle(call.method, query, key.toUtf8(), rest);
        FUZZ_CHECK(answer.status >= 200 && answer.status < 600);
        FUZZ_CHECK(answer.filePath.isEmpty());
        QJsonParseError parsed{};
        FUZZ_CHECK(QJsonDocument::fromJson(answer.body, &parsed).isObject());
    };
    // Requests are separated by a line "--".
    for (const QByteArray& line : requests) {
        if (line == "--") {
            send(request);
            request.clear();
            continue;
        }
        if (!request.isEmpty())
            request.append('\n');
        request.append(line);
    }
    send(request);
    return 0;
}
