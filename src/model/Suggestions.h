#pragma once

#include "model/Db.h"
#include "model/Suggestion.h"

#include <QList>
#include <QString>

// The composer's suggestions for typed text: the server's ranked tasks when the
// database has any, otherwise the user's own entries, newest first. Filtered,
// de-duplicated by lower-cased text, prefix matches first, at most eight.
class Suggestions {
public:
    static constexpr int limit = 8;

    static QList<Suggestion> forText(const Db& db, const QString& text);
    // One suggestion per distinct description of the local entries, newest first.
    static QList<Suggestion> localPool(const Db& db);
    // The task list turned into suggestions, in stored order.
    static QList<Suggestion> taskPool(const Db& db);
};
