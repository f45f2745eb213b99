#pragma once

#include <QByteArray>

// zlib streams (what HTTP calls "deflate") of large answers, made on every
// core: the text is cut into pieces that are compressed side by side and
// joined into one stream, as pigz does. Any zlib reader takes it as one.
class Deflate {
public:
    // The zlib stream of `data` at `level`; empty when zlib fails. Without
    // a count, one piece per core, each at least `minPiece` long.
    static QByteArray compress(const QByteArray& data, int level = 1, int pieces = 0);

    static constexpr qsizetype minPiece = 4 * 1024 * 1024;
};
