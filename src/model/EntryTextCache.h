#pragma once

#include "model/Entry.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// The encoded text of each entry, kept between saves: a save re-encodes only
// the entries that changed since the last one.
class EntryTextCache {
public:
    // The entry's text at the given nesting level, reused while unchanged.
    const QByteArray& text(const Entry& entry, int level);
    // Forgets entries that the last pass did not ask for.
    void finishPass();

    qsizetype size() const { return m_items.size(); }

private:
    struct Item {
        Entry entry;
        QByteArray text;
        int level = 0;
        quint64 pass = 0;
    };
    QHash<QString, Item> m_items;
    quint64 m_pass = 1;
};
