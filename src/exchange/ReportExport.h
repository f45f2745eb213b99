#pragma once

#include "api/ReportUser.h"
#include "model/Client.h"
#include "reports/Report.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Store;

// Building an exported report, the same way wherever it is asked for (the
// report window, the command line): fetch the period's report, download its
// screenshots for a PDF when asked, and make the file's bytes (PDF, JSON, or
// CSV in this machine's time zone).
class ReportExport {
public:
    enum class Kind { Pdf, Json, Csv };

    struct Request {
        QDate from;
        QDate to;
        Kind kind = Kind::Pdf;
        bool screenshots = false;
        QList<qint64> userIds;
        QList<qint64> clientIds;
        // The PDF's filter line; absent shows none.
        std::optional<QString> filters;
    };

    struct Outcome {
        // The file's bytes; empty with `error` set when it could not be made.
        QByteArray data;
        std::optional<QString> error;
        bool empty = false; // the period has no entries
    };

    // "Zevra-Report_2026-03-01_2026-03-31.pdf"
    static QString suggestedName(const QDate& from, const QDate& to, Kind kind);
    // "01/03/26 - 31/03/26"
    static QString periodLabel(const QDate& from, const QDate& to);
    // The report as received, keys in snake_case and sorted, one member per
    // line, "/" written plainly.
    static QByteArray json(const Report& report);
    // The PDF's line about the filters: "Client: Acme" or "Clients: 2 selected",
    // then for an administrator "Person: Ada" or "People: 2 selected", joined
    // by a middle dot; nothing when no filter applies. Names come from the
    // local clients (by server id) and the server's people.
    static std::optional<QString> filterLine(const QList<qint64>& clientIds,
                                             const QList<Client>& clients, bool isAdmin,
                                             const QList<qint64>& userIds,
                                             const QList<ReportUser>& users);

    // Runs the whole export; `progress` (may be empty) hears the steps' texts,
    // screenshots counted as they arrive ("Downloading screenshots 12 of 60…").
    // `done` is called once, on the main thread, unless `context` goes first.
    static void run(const Store& store, const Request& request, QObject* context,
                    std::function<void(const QString&)> progress,
                    std::function<void(const Outcome&)> done);
};
