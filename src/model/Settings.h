#pragma once

#include "model/ReminderSettings.h"

#include <QJsonObject>
#include <QString>

class JsonTextWriter;

#include <optional>

// The connection and identity of the user.
struct Settings {
    // The server a fresh installation talks to: a zevra-server on this machine.
    static inline const QString defaultServer = QStringLiteral("http://127.0.0.1:8080");

    QString server = defaultServer;
    QString apiKey;
    QString userName;
    std::optional<qint64> userId;
    bool isAdmin = false;
    std::optional<QString> lastSync;
    // The SHA-256 (hex) of the one certificate accepted from `server` in
    // place of the system's judgement.
    std::optional<QString> trustedCertificate;
    // Minutes of away time after which the person is asked about it; 0: never.
    static constexpr int defaultAwayAfterMinutes = 10;
    static constexpr int maxAwayAfterMinutes = 120;
    int awayAfterMinutes = defaultAwayAfterMinutes;
    ReminderSettings reminders;

    QJsonObject toJson() const;
    // The same members streamed in the database file's layout.
    void writeJson(JsonTextWriter& writer) const;
    static std::optional<Settings> fromJson(const QJsonValue& value);

    bool operator==(const Settings&) const = default;
};
