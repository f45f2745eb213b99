#pragma once

#include <QByteArray>

// JSON written with single quotes in test sources ("{'ok':true}"), turned into
// real JSON. Keeps fixtures readable without raw string literals, which the
// meta-object compiler misreads when they hold characters such as '#'.
inline QByteArray jsonText(const char* singleQuoted) {
    QByteArray text(singleQuoted);
    text.replace('\'', '"');
    return text;
}
