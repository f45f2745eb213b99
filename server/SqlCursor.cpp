#include "SqlCursor.h"

#include "SqlEngine.h"
#include "StorageError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// The connection's own SQLite handle, when its driver is SQLite's.
sqlite3* sqliteHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

} // namespace

SqlCursor::SqlCursor(const SqlEngine& engine, const QSqlDatabase& db, const QString& sql,
                     const QVariantList& values)
    : m_engine(engine)
    , m_sql(sql) {
    if (sqlite3* handle = sqliteHandle(db)) {
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt* statement = nullptr;
        const int prepared =
            sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &statement, nullptr);
        m_statement.reset(statement);
        if (prepared != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(handle)));
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QVariant& v = values.at(i);
            const int at = int(i) + 1;
            int result = SQLITE_OK;
            if (v.isNull()) {
                result = sqlite3_bind_null(m_statement.get(), at);
            } else if (v.typeId() == QMetaType::QString) {
                const QByteArray utf8 = v.toString().toUtf8();
                result =
                    sqlite3_bind_text64(m_statement.get(), at, utf8.constData(),
                                        sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
            } else {
                result = sqlite3_bind_int64(m_statement.get(), at, v.toLongLong());
            }
            if (result != SQLITE_OK)
                fail(QString::fromUtf8(sqlite3_errmsg(handle)));
        }
        return;
    }
    m_query.emplace(db);
    m_query->setForwardOnly(true);
    if (!m_query->prepare(sql))
        fail(m_query->lastError().text(), m_engine.isConflict(m_query->lastError()));
    for (qsizetype i = 0; i < values.size(); ++i)
        m_query->bindValue(int(i), values.at(i));
    if (!m_query->exec())
        fail(m_query->lastError().text(), m_engine.isConflict(m_query->lastError()));
}

void SqlCursor::Finalize::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

bool SqlCursor::next() {
    if (m_statement) {
        const int result = sqlite3_step(m_statement.get());
        if (result == SQLITE_ROW)
            return true;
        if (result != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement.get()))),
                 result == SQLITE_BUSY);
        return false;
    }
    if (m_query->next()) {
        if (m_texts.isEmpty())
            m_texts.resize(m_query->record().count());
        return true;
    }
    if (m_query->lastError().isValid())
        fail(m_query->lastError().text(), m_engine.isConflict(m_query->lastError()));
    m_query->finish();
    return false;
}

bool SqlCursor::isNull(int column) const {
    if (m_statement)
        return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL;
    return m_query->isNull(column);
}

qint64 SqlCursor::integer(int column) const {
    if (m_statement)
        return sqlite3_column_int64(m_statement.get(), column);
    return m_query->value(column).toLongLong();
}

std::optional<qint64> SqlCursor::optionalInteger(int column) const {
    if (isNull(column))
        return std::nullopt;
    return integer(column);
}

QByteArrayView SqlCursor::text(int column) const {
    if (m_statement) {
        const auto* data =
            reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), column));
        return QByteArrayView(data, sqlite3_column_bytes(m_statement.get(), column));
    }
    m_texts[column] = m_query->value(column).toString().toUtf8();
    return m_texts[column];
}

void SqlCursor::fail(const QString& message, bool conflict) const {
    throw StorageError(u"Database failure (%1): %2"_s.arg(m_sql.left(60), message), conflict);
}
