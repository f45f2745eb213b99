#pragma once

#include "api/ReportUser.h"

#include <QString>

#include <optional>

// What the client and people overlays show and decide, without widgets.
namespace AdminText {

inline const QString loading = QStringLiteral("Loading…");
inline const QString enterName = QStringLiteral("Please enter a name.");
inline const QString badHex = QStringLiteral("Use a hex colour like #F97316.");

// A person's row: the name, " (you)" for the signed-in person, "  · admin"
// for administrators.
QString personLabel(const ReportUser& person, std::optional<qint64> selfId);

// The palette colour of a swatch tag, exactly as the palette writes it;
// nothing outside 0–15.
std::optional<QString> paletteColor(int tag);

// Whether two colour texts name the same colour (case is ignored).
bool sameColor(const QString& a, const QString& b);

// A typed custom colour: the canonical "#rrggbb", or the message to show.
struct HexEntry {
    std::optional<QString> color;
    QString error;
};
HexEntry hexEntry(const QString& typed);

// The message for a name that is empty once trimmed, else nothing.
std::optional<QString> nameError(const QString& typed);

// The status line once the people list has loaded: "Loading…" gives way to
// nothing, any newer message stays.
QString statusAfterLoad(const QString& current);

// Status lines after the server gave a person a key.
QString addedStatus(const ReportUser& person);
QString newKeyStatus(const ReportUser& person);
QString copiedStatus(const QString& name);
QString activeStatus(const ReportUser& person);

} // namespace AdminText
