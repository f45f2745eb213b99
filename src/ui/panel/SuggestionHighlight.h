#pragma once

#include <QString>

#include <optional>

// Where a suggestion row highlights the typed text.
class SuggestionHighlight {
public:
    struct Range {
        qsizetype start;
        qsizetype length;
        bool operator==(const Range&) const = default;
    };

    // The first case-insensitive occurrence of the query (trimmed of spaces and
    // tabs) in the description, as positions in the description itself;
    // nothing for an empty query or no match.
    static std::optional<Range> range(const QString& description, const QString& query);
};
