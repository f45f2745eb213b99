#include "model/EntryTextCache.h"

#include "model/JsonTextWriter.h"

const QByteArray& EntryTextCache::text(const Entry& entry, int level) {
    Item& item = m_items[entry.id];
    if (item.pass == 0 || item.level != level || !(item.entry == entry)) {
        item.entry = entry;
        item.level = level;
        item.text.clear();
        JsonTextWriter writer(item.text, level);
        entry.writeJson(writer);
    }
    item.pass = m_pass;
    return item.text;
}

void EntryTextCache::finishPass() {
    m_items.removeIf(
        [this](const QHash<QString, Item>::iterator it) { return it->pass != m_pass; });
    ++m_pass;
}
