#pragma once

#include <QByteArrayView>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>

class SqlEngine;
struct sqlite3_stmt;

// Reads the rows of one statement without a QVariant per cell, for results
// of a million rows (reports over years of a team's entries). On SQLite it
// steps SQLite's own statement and hands out texts as the UTF-8 the file
// holds; on other engines it reads through QSqlQuery. The statement is the
// same text on both.
class SqlCursor {
public:
    // Prepares and runs `sql` with positional `values`. Raises StorageError
    // when that fails.
    SqlCursor(const SqlEngine& engine, const QSqlDatabase& db, const QString& sql,
              const QVariantList& values);
    SqlCursor(const SqlCursor&) = delete;
    SqlCursor& operator=(const SqlCursor&) = delete;

    // Moves to the next row; false after the last. Raises StorageError when
    // reading fails.
    bool next();

    bool isNull(int column) const;
    qint64 integer(int column) const;
    std::optional<qint64> optionalInteger(int column) const;
    // UTF-8, valid until the next call of next().
    QByteArrayView text(int column) const;

private:
    [[noreturn]] void fail(const QString& message, bool conflict = false) const;

    const SqlEngine& m_engine;
    QString m_sql;
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const;
    };
    // Only one of the two is set.
    std::unique_ptr<sqlite3_stmt, Finalize> m_statement;
    std::optional<QSqlQuery> m_query;
    // The current row's texts, on the QSqlQuery path.
    mutable QList<QByteArray> m_texts;
};
