#include "ApiKeys.h"
#include "BenchHttp.h"
#include "PeopleAction.h"
#include "ReportAction.h"
#include "ServerTime.h"
#include "Storage.h"
#include "TrackingServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Sends `request` to the loopback port and reads the answer to its end into
// a small buffer; the bytes received, or -1 when the answer is not a 200.
qint64 fetchDiscarding(quint16 port, const QByteArray& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::send(fd, request.constData(), size_t(request.size()), 0) != request.size()) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    std::vector<char> buffer(1 << 20);
    QByteArray head;
    qint64 received = 0, expected = -1;
    while (expected < 0 || received < expected) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            break;
        received += n;
        if (expected < 0) {
            head.append(buffer.data(), n);
            const qsizetype end = head.indexOf("\r\n\r\n");
            const qsizetype at = head.indexOf("Content-Length: ");
            if (end >= 0 && at >= 0) {
                if (!head.startsWith("HTTP/1.1 200"))
                    break;
                expected =
                    end + 4 + head.mid(at + 16, head.indexOf("\r\n", at) - at - 16).toLongLong();
            }
        }
    }
    ::close(fd);
    return expected >= 0 && received == expected ? received : -1;
}

constexpr int people = 50;
constexpr int perPerson = 20000;

// 1,000,000 entries of 50 people over a year, a tenth of them with a
// picture, one in fifty deleted; on SQLite, or on PostgreSQL as a copy of the
// SQLite one made by migrate-to's own copy (timed and checked on the way).
struct Fixture {
    BenchServer bench;
    QString adminKey;
    QString baseUrl;

    explicit Fixture(int engine) {
        QString error;
        if (!bench.open(engine, &error))
            qFatal("%s", qPrintable(error));
        baseUrl = bench.baseUrl();
        if (engine == 1) {
            Fixture& source = of(0);
            adminKey = source.adminKey;
            QElapsedTimer timer;
            timer.start();
            const auto counts = source.bench.storage().copyTo(bench.storage());
            fprintf(stderr, "migrate-to PostgreSQL: %.1f s for", double(timer.elapsed()) / 1000);
            for (const auto& [table, count] : counts)
                fprintf(stderr, " %s %lld", qPrintable(table), count);
            fprintf(stderr, "; the same records: %s\n",
                    same(source.bench.storage()) ? "yes" : "NO");
            return;
        }
        Storage& storage = bench.storage();
        PeopleAction peopleAction(storage);
        adminKey = peopleAction.create(u"Admin"_s, true, &error)->apiKey;
        storage.begin();
        QList<qint64> clients;
        for (int c = 0; c < 12; ++c)
            clients.append(storage.createClient(u"Client %1"_s.arg(c), u"#336699"_s, 1, 0).id);
        const qint64 start = *ServerTime::parse(u"2025-01-01T08:00:00Z"_s);
        for (int p = 0; p < people; ++p) {
            const qint64 user = peopleAction.create(u"Person %1"_s.arg(p), false, &error)->user.id;
            for (int i = 0; i < perPerson; ++i) {
                ServerEntry e;
                e.userId = user;
                e.ref = u"ref-%1"_s.arg(i);
                if (i % 7 != 0)
                    e.clientId = clients[(p + i) % clients.size()];
                e.description = u"Working on item %1 of the project"_s.arg(i % 300);
                e.startedAt = start + qint64(i) * 1575 + p * 60;
                e.endedAt = e.startedAt + 900 + (i % 5) * 120;
                e.updatedAt = *e.endedAt;
                e.id = storage.insertEntry(e);
                if (i % 10 == 0)
                    storage.setScreenshots(e.id,
                                           {u"2025/01/%1.png"_s.arg(e.id, 32, 16, QChar(u'0'))});
                if (i % 50 == 49)
                    storage.deleteEntry(e, e.updatedAt);
            }
        }
        storage.commit();
    }

    static Fixture& of(int engine) {
        static Fixture sqlite(0);
        if (engine == 0)
            return sqlite;
        static Fixture postgres(1);
        return postgres;
    }

    // Every person (by key), client, entry with its pictures and deletion
    // of `other` is here as well.
    bool same(Storage& other) {
        Storage& mine = bench.storage();
        // Every entry as one line of text.
        const auto all = [](Storage& s) {
            QByteArrayList rows;
            s.reportRows(0, 1LL << 40, {}, {}, [&](const ReportRow& r) {
                rows.append(QByteArray::number(r.id) + ' ' +
                            QByteArray::number(r.clientId.value_or(0)) + ' ' +
                            r.description.toByteArray() + ' ' + r.screenshots.join(' '));
            });
            return rows;
        };
        bool equal = all(mine) == all(other) && mine.clients().size() == other.clients().size() &&
                     mine.userByKeyHash(ApiKeys::hash(adminKey)).has_value();
        const QList<ServerUser> users = other.users();
        equal = equal && mine.users().size() == users.size();
        for (const ServerUser& u : users)
            equal = equal &&
                    mine.changesSince(u.id, {}).deleted == other.changesSince(u.id, {}).deleted;
        return equal;
    }
};

void BM_ReportAllEntries(benchmark::State& state) {
    Fixture& fixture = Fixture::of(int(state.range(0)));
    BenchHttp http;
    const QString url =
        fixture.baseUrl +
        u"/api.php?action=reports&from=2025-01-01T00:00:00Z&to=2026-01-01T00:00:00Z"_s;
    qsizetype bytes = 0;
    for (auto _ : state) {
        const BenchHttp::Answer a = http.send("GET", url, fixture.adminKey);
        if (a.status != 200) {
            state.SkipWithError("report failed");
            break;
        }
        bytes = a.body.size();
        benchmark::DoNotOptimize(a);
    }
    state.counters["reply_MB"] = double(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ReportAllEntries)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("engine")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The same for a client in another thread (as another process would be)
// that takes the bytes off the socket as they come and keeps none of them:
// the server's answer without the client's own costs. Compressed as for a
// client on another machine, or plain as for this machine's loopback.
void BM_ReportAllEntriesRawSocket(benchmark::State& state) {
    Fixture& fixture = Fixture::of(int(state.range(0)));
    const bool compressed = state.range(1) != 0;
    fixture.bench.server().setCompressLoopback(compressed);
    const QByteArray request = "GET /api.php?action=reports&from=2025-01-01T00:00:00Z"
                               "&to=2026-01-01T00:00:00Z HTTP/1.1\r\nHost: bench\r\n"
                               "Accept-Encoding: deflate\r\nX-Api-Key: " +
                               fixture.adminKey.toLatin1() + "\r\n\r\n";
    const quint16 port = quint16(QUrl(fixture.baseUrl).port());
    qint64 bytes = 0;
    for (auto _ : state) {
        QEventLoop loop;
        std::thread client([&] {
            bytes = fetchDiscarding(port, request);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        client.join();
        if (bytes < 0) {
            state.SkipWithError("report failed");
            break;
        }
    }
    fixture.bench.server().setCompressLoopback(false);
    state.counters["wire_MB"] = double(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ReportAllEntriesRawSocket)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"engine", "compressed"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The same report without the network: the query, the totals and the JSON.
void BM_ReportActionAllEntries(benchmark::State& state) {
    Fixture& fixture = Fixture::of(int(state.range(0)));
    ReportAction action(fixture.bench.storage());
    const ServerUser admin = *fixture.bench.storage().userByName(u"Admin"_s);
    QUrlQuery query;
    query.addQueryItem(u"from"_s, u"2025-01-01T00:00:00Z"_s);
    query.addQueryItem(u"to"_s, u"2026-01-01T00:00:00Z"_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(action.handle(admin, query));
}
BENCHMARK(BM_ReportActionAllEntries)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("engine")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// Only the rows from the database.
void BM_ReportRowsAllEntries(benchmark::State& state) {
    Fixture& fixture = Fixture::of(int(state.range(0)));
    Storage& storage = fixture.bench.storage();
    const qint64 from = *ServerTime::parse(u"2025-01-01T00:00:00Z"_s);
    const qint64 to = *ServerTime::parse(u"2026-01-01T00:00:00Z"_s);
    for (auto _ : state) {
        qint64 sum = 0;
        storage.reportRows(from, to, {}, {},
                           [&](const ReportRow& r) { sum += r.id + r.description.size(); });
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReportRowsAllEntries)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("engine")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_ReportOneMonthTwoPeople(benchmark::State& state) {
    Fixture& fixture = Fixture::of(int(state.range(0)));
    BenchHttp http;
    const QString url = fixture.baseUrl +
                        u"/api.php?action=reports&from=2025-03-01T00:00:00Z&to=2025-04-01T00:00:00Z"
                        "&user_ids=2,3"_s;
    for (auto _ : state)
        benchmark::DoNotOptimize(http.send("GET", url, fixture.adminKey));
}
BENCHMARK(BM_ReportOneMonthTwoPeople)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("engine")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
