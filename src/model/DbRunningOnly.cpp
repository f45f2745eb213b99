#include "model/Db.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstring>

namespace {

// Where `needle` stands in `bytes` from `from` on, or -1 (glibc's memmem, a
// good deal faster than a general search on megabytes).
qsizetype find(QByteArrayView bytes, QByteArrayView needle, qsizetype from) {
    const void* at = memmem(bytes.data() + from, size_t(bytes.size() - from), needle.data(),
                            size_t(needle.size()));
    return at ? static_cast<const char*>(at) - bytes.data() : -1;
}

// The start of the line after `from`, or -1.
qsizetype nextLine(QByteArrayView bytes, qsizetype from) {
    const void* at = memchr(bytes.data() + from, '\n', size_t(bytes.size() - from));
    return at ? static_cast<const char*>(at) - bytes.data() + 1 : -1;
}

// Just past the "\n        }" that closes an entry object, searching from
// `from`; -1 when there is none.
qsizetype objectEndFrom(QByteArrayView bytes, qsizetype from) {
    static const QByteArrayView indent = "\n        ";
    while (from < bytes.size()) {
        const void* at = memchr(bytes.data() + from, '}', size_t(bytes.size() - from));
        if (!at)
            return -1;
        const qsizetype brace = static_cast<const char*>(at) - bytes.data();
        if (brace >= indent.size() && bytes.sliced(brace - indent.size(), indent.size()) == indent)
            return brace + 1;
        from = brace + 1;
    }
    return -1;
}

} // namespace

std::optional<Db> Db::runningOnly(QByteArrayView bytes) {
    // db.json as this app writes it: entries are the objects indented by 8
    // under "entries", their members by 12 in sorted order, so "client_id"
    // and "deleted" come before "description", and "ended_at", when there is
    // one, on the line after it. Only the running entry and the clients are
    // decoded; a file of any other layout is decoded whole by the caller.
    // An empty file (mapped as no memory at all) has no layout to speak of.
    if (bytes.isEmpty())
        return std::nullopt;
    static const QByteArray entriesKey = "\n    \"entries\": [\n";
    static const QByteArray objectStart = "        {\n";
    static const QByteArray description = "\n            \"description\": ";
    static const QByteArray ended = "            \"ended_at\": ";
    static const QByteArray deleted = "\n            \"deleted\": true";
    constexpr qsizetype headWindow = 256; // "client_id" and "deleted" lines fit in it
    Db db;
    qsizetype pos = find(bytes, entriesKey, 0);
    if (pos < 0)
        return std::nullopt;
    pos += entriesKey.size();
    while (!bytes.sliced(pos).startsWith("    ]")) {
        if (!bytes.sliced(pos).startsWith(objectStart))
            return std::nullopt;
        const QByteArrayView head = bytes.sliced(pos, qMin(headWindow, bytes.size() - pos));
        const qsizetype descriptionAt = find(head, description, 0);
        if (descriptionAt < 0)
            return std::nullopt;
        const qsizetype lineEnd = nextLine(bytes, pos + descriptionAt + description.size());
        if (lineEnd < 0)
            return std::nullopt;
        const qsizetype end = objectEndFrom(bytes, lineEnd);
        if (end < 0)
            return std::nullopt;
        const bool hasEnded = bytes.sliced(lineEnd).startsWith(ended);
        const bool isDeleted = find(head.first(descriptionAt), deleted, 0) >= 0;
        if (!hasEnded && !isDeleted) {
            std::optional<Entry> running = Entry::fromJson(
                QJsonDocument::fromJson(bytes.sliced(pos, end - pos).toByteArray()).object());
            if (!running)
                return std::nullopt;
            db.entries.append(*running);
            break;
        }
        pos = end;
        if (bytes.sliced(pos).startsWith(",\n"))
            pos += 2;
        else if (bytes.sliced(pos).startsWith("\n"))
            pos += 1;
        else
            return std::nullopt;
    }
    static const QByteArray clientsKey = "\n    \"clients\": ";
    const qsizetype clients = find(bytes, clientsKey, 0);
    const qsizetype clientsEnd = clients < 0 ? -1 : find(bytes, "\n    ]", clients);
    if (clients < 0 || clientsEnd < 0)
        return std::nullopt;
    const qsizetype from = clients + clientsKey.size();
    const QJsonArray list =
        QJsonDocument::fromJson(bytes.sliced(from, clientsEnd + 6 - from).toByteArray()).array();
    for (const QJsonValue& value : list) {
        if (std::optional<Client> client = Client::fromJson(value))
            db.clients.append(*client);
    }
    // The away keys sort before "clients", at the top of the file.
    const QByteArrayView top = bytes.first(clients + 1);
    static const QByteArray awayKey = "{\n    \"away\": {\n";
    if (top.startsWith(awayKey)) {
        const qsizetype from = awayKey.size() - 2;
        const qsizetype end = find(top, "\n    }", from);
        if (end < 0)
            return std::nullopt;
        db.away = AwayQuestion::fromJson(
            QJsonDocument::fromJson(bytes.sliced(from, end + 6 - from).toByteArray()).object());
        if (!db.away)
            return std::nullopt;
    }
    static const QByteArray awaySinceKey = "\n    \"away_since\": ";
    if (const qsizetype at = find(top, awaySinceKey, 0); at >= 0) {
        const qsizetype from = at + awaySinceKey.size();
        const qsizetype end = nextLine(top, from);
        if (end < 0)
            return std::nullopt;
        const QByteArray value = '[' + bytes.sliced(from, end - from).trimmed().toByteArray();
        const QJsonArray since =
            QJsonDocument::fromJson(value.endsWith(',') ? value.chopped(1) + ']' : value + ']')
                .array();
        if (!since.first().isString())
            return std::nullopt;
        db.awaySince = since.first().toString();
    }
    return db;
}
