#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// A stretch of away time the person has not yet said what to do with: from
// the last input to the return, and the entry that ran through it.
struct AwayQuestion {
    QString from;
    QString to;
    QString entryId;

    // Its length in whole seconds (0 when a time cannot be read).
    qint64 seconds() const;
    // "You were away from 14:32 to 14:55 (0:23:00)." in local time.
    QString text() const;

    QJsonObject toJson() const;
    static std::optional<AwayQuestion> fromJson(const QJsonValue& value);

    bool operator==(const AwayQuestion&) const = default;
};
