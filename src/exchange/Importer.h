#pragma once

#include "exchange/ImportParser.h"
#include "model/Client.h"
#include "model/Entry.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class AppModel;
struct Db;

// Brings entries read from a file into the database: clients found by name
// whatever the case (else made), each entry with an id derived from its
// content, and nothing that is already there (the same start, end and
// description), so a file imported twice, here or on another device of the
// same person, adds nothing. All of it or nothing.
class Importer {
public:
    struct Plan {
        QList<Client> newClients;
        QList<Entry> entries;
        int present = 0;    // already in the database (or twice in the file)
        int withoutEnd = 0; // running or open entries, left out
    };
    // `client` names the client of entries that name none.
    static Plan plan(const Db& db, const ImportParser::Parsed& parsed,
                     const std::optional<QString>& client, const QDateTime& now);
    // "Imported 412 entries (3 new clients), skipped 2 already present, 1
    // without an end." or, for a dry run, "Would import …".
    static QString summary(const Plan& plan, bool dryRun);
    // The stable id of an entry with this content.
    static QString contentId(const ImportedEntry& entry, const std::optional<QString>& client);

    struct Outcome {
        std::optional<QString> error; // "FILE: line 12: …"; nothing was written
        QString summary;
    };
    // Reads the file, guesses its format unless given, and adds its entries
    // (unless `dryRun`).
    static Outcome importFile(AppModel& model, const QString& path,
                              std::optional<ImportParser::Format> format,
                              const std::optional<QString>& client, bool dryRun);
};
