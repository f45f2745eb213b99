#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

// The interface's named colours and the client palette. The appearance-
// dependent colours are resolved on every call, so they follow the palette.
class Theme {
public:
    static QColor accent();
    static QColor accentDeep();
    static QColor stop();
    static QColor onAccent();
    static QColor card();
    static QColor cardBorder();
    static QColor surfaceTint();

    // The 16 colours offered to new clients, in order.
    static const QStringList& clientPalette();

    // Dark when the application palette's window colour is darker than the
    // middle grey; light without a GUI application.
    static bool isDark();
    // Forces an appearance (tests, snapshots); nothing follows the palette again.
    static void setDarkOverride(std::optional<bool> dark);
};
