#pragma once

#include "model/Entry.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The status text of the tray item: a space and the running time (" 12:05",
// " 1:02:09"), or nothing while no entry runs. A tray shows it in the tooltip.
class TrayTitle {
public:
    static QString text(const std::optional<Entry>& running, const QDateTime& now);
    static QString tooltip(const QString& title);
};
