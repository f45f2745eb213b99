#pragma once

#include <QString>

// What a screen reader says for what the panel shows: durations as words
// ("1 hour 30 minutes", not "1:30:00"), and a row as its description, client
// and duration.
class Spoken {
public:
    // Whole hours and minutes from an hour on, else minutes and seconds.
    static QString duration(double seconds);
    // A figure as the panel writes it ("1:30:00"); other texts as they are.
    static QString figure(const QString& text);
    // "Past work, Acme, 1 hour"
    static QString row(const QString& description, const QString& client, double seconds);
};
