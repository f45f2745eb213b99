#include "SqlConnection.h"

#include "StorageError.h"

#include <QSqlError>
#include <QUuid>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The drivers store a null QString as NULL; a text without content is stored
// as an empty text instead, so that "no description" never breaks a NOT NULL
// column. A deliberate NULL is a QVariant without a value.
QVariant bindable(const QVariant& value) {
    if (value.typeId() == QMetaType::QString && !value.isNull() && value.toString().isNull())
        return QString::fromLatin1("");
    return value;
}

} // namespace

SqlConnection::SqlConnection()
    : m_connection(u"zevra-server-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

SqlConnection::~SqlConnection() {
    close();
}

bool SqlConnection::open(const DatabaseUrl& url, QString* error) {
    close();
    m_engine = std::make_unique<SqlEngine>(url.engine);
    m_url = url;
    m_writeTurn.reset();
    if (url.engine == DatabaseUrl::Engine::SQLite)
        m_writeTurn.emplace(url.path);
    m_db = m_engine->connection(url, m_connection);
    if (!m_db.open()) {
        if (error)
            *error = m_db.lastError().text();
        disconnect();
        return false;
    }
    try {
        for (const QString& sql : m_engine->sessionSetup())
            execute(sql);
    } catch (const StorageError& e) {
        if (error)
            *error = e.message();
        disconnect();
        return false;
    }
    return true;
}

void SqlConnection::close() {
    disconnect();
    m_url.reset();
}

void SqlConnection::disconnect() {
    releaseTurn();
    m_statements.clear();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool SqlConnection::reconnect() {
    // The address stays after a failed attempt, so that a database away for
    // a while is found again once it is back.
    if (!m_url)
        return false;
    if (answers())
        return false; // still connected: the failure was something else
    const DatabaseUrl url = *m_url;
    return open(url, nullptr);
}

bool SqlConnection::answers() {
    if (!m_db.isValid())
        return false;
    QSqlQuery probe(m_db);
    return probe.exec(u"SELECT 1"_s);
}

QSqlQuery& SqlConnection::prepared(const QString& sql) {
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        auto query = std::make_shared<QSqlQuery>(m_db);
        query->setForwardOnly(true);
        if (!query->prepare(sql))
            fail(*query, sql);
        it = m_statements.insert(sql, query);
    }
    return **it;
}

QSqlQuery& SqlConnection::run(const QString& sql, const QVariantList& values) {
    QSqlQuery& q = prepared(sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        q.bindValue(int(i), bindable(values.at(i)));
    if (!q.exec())
        fail(q, sql);
    return q;
}

QSqlQuery SqlConnection::runOnce(const QString& sql, const QVariantList& values) {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        fail(q, sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        q.bindValue(int(i), bindable(values.at(i)));
    if (!q.exec())
        fail(q, sql);
    return q;
}

void SqlConnection::execute(const QString& sql) {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        fail(q, sql);
}

qint64 SqlConnection::insert(const QString& sql, const QVariantList& values) {
    // RETURNING works on both engines, unlike the drivers' last insert ids.
    QSqlQuery& q = run(sql + u" RETURNING id"_s, values);
    const qint64 id = q.next() ? q.value(0).toLongLong() : 0;
    q.finish();
    if (id == 0)
        throw StorageError(u"Database failure (%1): no id"_s.arg(sql.left(60)));
    return id;
}

void SqlConnection::fail(const QSqlQuery& query, const QString& what) const {
    throw StorageError(u"Database failure (%1): %2"_s.arg(what.left(60), query.lastError().text()),
                       m_engine->isConflict(query.lastError()));
}

void SqlConnection::begin() {
    if (m_writeTurn)
        m_writeTurn->take();
    if (!m_db.transaction()) {
        releaseTurn();
        throw StorageError(u"Database failure (begin): "_s + m_db.lastError().text(),
                           m_engine->isConflict(m_db.lastError()));
    }
}

void SqlConnection::commit() {
    const bool done = m_db.commit();
    releaseTurn();
    if (!done)
        throw StorageError(u"Database failure (commit): "_s + m_db.lastError().text(),
                           m_engine->isConflict(m_db.lastError()));
}

void SqlConnection::rollback() {
    m_db.rollback();
    releaseTurn();
}

void SqlConnection::releaseTurn() {
    if (m_writeTurn)
        m_writeTurn->release();
}

std::optional<double> SqlConnection::oldestOtherTransactionAge() {
    if (m_writeTurn)
        return m_writeTurn->oldestAge();
    const std::optional<QString> sql = m_engine->oldestOtherTransactionQuery();
    if (!sql)
        return std::nullopt;
    QSqlQuery& q = run(*sql, {});
    std::optional<double> age;
    if (q.next() && !q.value(0).isNull())
        age = std::max(0.0, q.value(0).toDouble());
    q.finish();
    return age;
}
