#pragma once

#include <QString>

#include <optional>

// "Start at login": the desktop entry in $XDG_CONFIG_HOME/autostart that
// desktop sessions start when a person logs in.
class Autostart {
public:
    // The entry's path.
    static QString path();
    static bool isEnabled();
    // Writes the entry starting `executable`, or removes it; nothing on
    // success, otherwise why not.
    static std::optional<QString> setEnabled(bool enabled, const QString& executable);
    // The entry's text for an executable (quoted as desktop entries want).
    static QString entry(const QString& executable);
    // What to start: the release bundle's program when the app runs from one,
    // else this executable.
    static QString currentExecutable();
};
