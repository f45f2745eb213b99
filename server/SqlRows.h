#pragma once

#include <QList>
#include <QSqlQuery>

#include <optional>

// Reading the rows of an executed query into records; the query is finished
// afterwards so that a kept statement can run again.
class SqlRows {
public:
    template <class Read>
    static auto first(QSqlQuery& query, Read read) -> std::optional<decltype(read(query))> {
        std::optional<decltype(read(query))> row;
        if (query.next())
            row = read(query);
        query.finish();
        return row;
    }

    template <class Read>
    static auto all(QSqlQuery& query, Read read) -> QList<decltype(read(query))> {
        QList<decltype(read(query))> rows;
        while (query.next())
            rows.append(read(query));
        query.finish();
        return rows;
    }
};
