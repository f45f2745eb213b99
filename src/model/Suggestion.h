#pragma once

#include <QColor>
#include <QString>

#include <optional>

// One line of the composer's suggestion list.
struct Suggestion {
    QString description;
    std::optional<QString> clientId; // local client id
    std::optional<QString> clientName;
    QColor color;

    bool operator==(const Suggestion&) const = default;
};
