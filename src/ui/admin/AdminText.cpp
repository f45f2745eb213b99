#include "ui/admin/AdminText.h"

#include "model/Colors.h"
#include "model/Theme.h"

using namespace Qt::StringLiterals;

QString AdminText::personLabel(const ReportUser& person, std::optional<qint64> selfId) {
    QString text = person.name;
    if (selfId && *selfId == person.id)
        text += u" (you)"_s;
    if (person.isAdmin)
        text += u"  · admin"_s;
    return text;
}

std::optional<QString> AdminText::paletteColor(int tag) {
    const QStringList& palette = Theme::clientPalette();
    if (tag < 0 || tag >= palette.size())
        return std::nullopt;
    return palette[tag];
}

bool AdminText::sameColor(const QString& a, const QString& b) {
    return a.toLower() == b.toLower();
}

AdminText::HexEntry AdminText::hexEntry(const QString& typed) {
    if (const std::optional<QString> hex = normalizeHex(typed))
        return {hex, QString()};
    return {std::nullopt, badHex};
}

std::optional<QString> AdminText::nameError(const QString& typed) {
    if (typed.trimmed().isEmpty())
        return enterName;
    return std::nullopt;
}

QString AdminText::statusAfterLoad(const QString& current) {
    return current == loading ? QString() : current;
}

QString AdminText::addedStatus(const ReportUser& person) {
    if (person.apiKey && !person.apiKey->isEmpty())
        return u"Added "_s + person.name + u" — API key copied, send it to them."_s;
    return u"Added "_s + person.name + u"."_s;
}

QString AdminText::newKeyStatus(const ReportUser& person) {
    return u"New key for "_s + person.name + u" copied, send it to them."_s;
}

QString AdminText::copiedStatus(const QString& name) {
    return u"Copied "_s + name + u"'s API key."_s;
}

QString AdminText::activeStatus(const ReportUser& person) {
    return person.active ? person.name + u" can sign in again."_s
                         : person.name + u" can no longer sign in."_s;
}
