#pragma once

#include "model/Entry.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// One run of neighbouring, like entries of a day: a single entry row, or a
// group row when it holds two or more.
struct ListRun {
    QList<Entry> entries; // newest first
    QString key;          // group key; empty for a single entry
    bool expanded = false;

    bool isGroup() const { return entries.size() > 1; }
    bool hasRunning() const;
};

// One day card of the list.
struct ListDay {
    QString key;   // "yyyy-MM-dd"
    QString title; // "Today", "Yesterday", "Mon, 5 Jan"
    QList<Entry> entries;
    QList<ListRun> runs;
    std::optional<Entry> running; // the day's first entry without an end
    double base = 0;              // seconds of its finished entries
};

// Turns the database's entries into the panel's list: the newest 300, cut
// into days, each day into runs of like entries.
class EntryListBuilder {
public:
    static constexpr int limit = 300;

    // Not deleted, newest start first (stable; unreadable starts last), at most
    // `limit`.
    static QList<Entry> listed(const QList<Entry>& entries, int limit = EntryListBuilder::limit);
    // The days of an already listed sequence, with runs, running entries,
    // bases and the expansion of groups.
    static QList<ListDay> days(const QList<Entry>& listed, const QDateTime& now,
                               const QSet<QString>& expandedGroups);
    // Neighbours with the same trimmed, lower-cased, non-empty description and
    // the same client form one run.
    static QList<QList<Entry>> runs(const QList<Entry>& dayEntries);
    // Day key, description, client and newest id of a run, joined with "|".
    static QString groupKey(const QString& dayKey, const QList<Entry>& run);
    // Trimmed of spaces and tabs at both ends, lower-cased.
    static QString normalized(const QString& description);
    // Flips a group's key in the set; gives whether it is now expanded.
    static bool toggle(QSet<QString>& expandedGroups, const QString& key);
    // Seconds of the entries that have an end; negative lengths count 0.
    static double finishedSum(const QList<Entry>& entries, const QDateTime& now);
    // An entry's length for display and totals: never below 0.
    static double shownDuration(const Entry& entry, const QDateTime& now);
};
