#include "ui/panel/SuggestionHighlight.h"
#include "model/Text.h"

#include <QList>

namespace {

// Lower-cases one character at a time, remembering for every character of the
// result the position of the character it came from. Some characters grow when
// lower-cased ("İ" becomes two), so positions in the lower-cased text are not
// positions in the original.
QString lowered(const QString& text, QList<qsizetype>* origin) {
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype width =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2
                                                                                               : 1;
        const QString piece = text.mid(i, width).toLower();
        result += piece;
        if (origin) {
            for (qsizetype k = 0; k < piece.size(); ++k)
                origin->append(i);
        }
        i += width;
    }
    if (origin)
        origin->append(text.size()); // the end
    return result;
}

} // namespace

std::optional<SuggestionHighlight::Range> SuggestionHighlight::range(const QString& description,
                                                                     const QString& query) {
    const QString needle = lowered(Text::trimSpacesAndTabs(query).toString(), nullptr);
    if (needle.isEmpty())
        return std::nullopt;
    QList<qsizetype> origin;
    const QString haystack = lowered(description, &origin);
    const qsizetype at = haystack.indexOf(needle);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = origin[at];
    const qsizetype lastSource = origin[at + needle.size() - 1];
    // The end is the end of the source character that produced the last
    // matched character.
    qsizetype end = lastSource + 1;
    if (end < description.size() && description[lastSource].isHighSurrogate())
        ++end;
    return Range{start, end - start};
}
