#pragma once

#include "model/Client.h"

#include <QList>

#include <functional>
#include <optional>

class QMenu;
class QWidget;

// The composer's client menu: "No client", the clients with their colours,
// "Manage clients…". The current client is checked.
class ClientMenu {
public:
    static inline const QString noClient = QStringLiteral("No client");
    static inline const QString manageClients = QStringLiteral("Manage clients…");

    // A menu that deletes itself once closed. `onPick` gets the chosen id (or
    // nothing for "No client").
    static QMenu* build(const QList<Client>& clients, const std::optional<QString>& current,
                        std::function<void(const std::optional<QString>&)> onPick,
                        std::function<void()> onManage, QWidget* parent);
};
