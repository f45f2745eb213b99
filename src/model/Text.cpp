#include "model/Text.h"

QStringView Text::trimSpacesAndTabs(QStringView text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && (text[b] == u' ' || text[b] == u'\t'))
        ++b;
    while (e > b && (text[e - 1] == u' ' || text[e - 1] == u'\t'))
        --e;
    return text.mid(b, e - b);
}

QString Text::serverBase(const QString& text) {
    QString s = text.trimmed();
    while (s.endsWith(u'/'))
        s.chop(1);
    return s;
}
