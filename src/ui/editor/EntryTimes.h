#pragma once

#include "model/Entry.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>

// The time rules shared by the entry editor and the time editor: what their
// day and clock pickers show for an entry, and which start and end the pickers
// and the duration text stand for.
//
// The pickers work in whole minutes of one day. An end clock time earlier than
// the start means the next day, so an entry from 23:00 to 01:00 lasts two
// hours. Times a person did not touch keep their stored value to the second.
class EntryTimes {
public:
    // The values of the day, start and end pickers.
    struct Pickers {
        QDate day;
        QTime start;
        QTime end;
        bool operator==(const Pickers&) const = default;
    };

    // A clock time without its seconds.
    static QTime minutes(QTime clock) { return QTime(clock.hour(), clock.minute()); }
    // The day and clock time in the zone, with 0 seconds. A clock time that
    // the day skips (a daylight-saving gap) moves forward by the gap, so
    // 02:30 on a night that jumps from 02:00 to 03:00 is 03:30.
    static QDateTime combine(QDate day, QTime clock, const QTimeZone& zone);
    // The end clock time on the day, or on the next day when that would come
    // before the start.
    static QDateTime endAfter(const QDateTime& start, QDate day, QTime clock,
                              const QTimeZone& zone);

    // What the pickers show for an entry: its start's day and clock time and
    // its end's clock time, in whole minutes; `now` for a missing or
    // unreadable time.
    static Pickers pickersFor(const Entry& entry, const QDateTime& now, const QTimeZone& zone);

    // The start the pickers stand for. The stored start when neither the
    // start clock time nor the day changed; moved by whole days when only the
    // day changed; else the day joined with the start clock time.
    static QDateTime start(const Entry& entry, const Pickers& opened, const Pickers& now,
                           const QTimeZone& zone);
    // The end the pickers stand for, given the start above. An untouched end
    // clock time keeps the stored end (moved with the day) as long as it
    // stays after the start.
    static QDateTime end(const Entry& entry, const Pickers& opened, const Pickers& now,
                         const QDateTime& start, const QTimeZone& zone);

    // Everything the entry editor saves from.
    struct Edit {
        Entry entry; // as it was when the editor opened
        Pickers opened;
        Pickers now;
        QString openedDuration; // the duration field's text at opening
        QString duration;       // and now
        bool forceEnd = false;  // a typed duration was applied
    };
    struct Saved {
        QString startedAt;
        std::optional<QString> endedAt;
        bool operator==(const Saved&) const = default;
    };
    // The stored times after saving. Untouched times are kept exactly. A
    // running entry stays running unless a duration was applied. Otherwise
    // the end is the start plus the duration text when that reads as a
    // duration, else the end the pickers stand for.
    static Saved save(const Edit& edit, const QTimeZone& zone);
    // The end to store: the saved one, or else the end the stored entry has
    // now (a stop made while the card was open), never before the start.
    static std::optional<QString> keptEnd(const Saved& saved,
                                          const std::optional<QString>& storedEnd);
    // Whether saving would change the stored times at all.
    static bool touched(const Edit& edit) {
        return edit.now != edit.opened || edit.duration != edit.openedDuration || edit.forceEnd;
    }

    // What a save would give, shown while the person types: the length, and
    // where the end falls.
    struct Outcome {
        double seconds = 0;
        int laterDays = 0;         // the end's day after the start's
        bool endsInFuture = false; // the end lies after `now`
    };
    static Outcome outcome(const Edit& edit, const QDateTime& now, const QTimeZone& zone);
    // "+1 day", "+4 days"; empty for an end on the start's day.
    static QString dayMark(int laterDays);
};
