#include "Deflate.h"

#include <QThread>

#include <functional>
#include <thread>
#include <vector>

#include <zlib.h>

namespace {

struct Piece {
    const char* data = nullptr;
    qsizetype size = 0;
    bool last = false;
    QByteArray out;
    uLong adler = 0;
    bool ok = false;
};

// A raw deflate of the piece: the last one ends the stream; the others end
// on a byte boundary with an empty stored block, so that the next piece's
// blocks can follow them. Each piece refers only to its own bytes.
void deflatePiece(Piece& p, int level) {
    p.adler =
        adler32_z(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(p.data), size_t(p.size));
    z_stream s{};
    if (deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return;
    // Room for the whole piece however it compresses, and the flush marker.
    p.out.resize(qsizetype(deflateBound(&s, uLong(p.size))) + 64);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p.data));
    s.avail_in = uInt(p.size);
    s.next_out = reinterpret_cast<Bytef*>(p.out.data());
    s.avail_out = uInt(p.out.size());
    const int result = deflate(&s, p.last ? Z_FINISH : Z_SYNC_FLUSH);
    p.ok = (p.last ? result == Z_STREAM_END : result == Z_OK) && s.avail_in == 0 && s.avail_out > 0;
    p.out.truncate(p.out.size() - qsizetype(s.avail_out));
    deflateEnd(&s);
}

} // namespace

QByteArray Deflate::compress(const QByteArray& data, int level, int pieces) {
    // Pieces of at most 1 GB, so that zlib's counters (uInt) hold them.
    constexpr qsizetype maxPiece = qsizetype(1) << 30;
    const qsizetype cores = qMax(1, QThread::idealThreadCount());
    qsizetype count = pieces > 0 ? pieces : qBound(qsizetype(1), data.size() / minPiece, cores);
    count = qMax(count, (data.size() + maxPiece - 1) / maxPiece);
    std::vector<Piece> parts(static_cast<size_t>(count));
    const qsizetype step = data.size() / count;
    for (qsizetype i = 0; i < count; ++i) {
        Piece& p = parts[size_t(i)];
        p.data = data.constData() + i * step;
        p.size = i + 1 == count ? data.size() - i * step : step;
        p.last = i + 1 == count;
    }
    {
        std::vector<std::thread> helpers;
        for (size_t i = 1; i < parts.size(); ++i)
            helpers.emplace_back(deflatePiece, std::ref(parts[i]), level);
        deflatePiece(parts[0], level);
        for (std::thread& t : helpers)
            t.join();
    }

    QByteArray out;
    qsizetype total = 6;
    for (const Piece& p : parts) {
        if (!p.ok)
            return {};
        total += p.out.size();
    }
    out.reserve(total);
    // The zlib header: deflate with a 32 KB window, no dictionary; the check
    // bits make the two bytes a multiple of 31.
    const int hint = level == 1 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const int header = (0x78 << 8) | (hint << 6);
    out.append(char(0x78));
    out.append(char((hint << 6) + (31 - header % 31) % 31));
    uLong adler = adler32(0, nullptr, 0);
    for (const Piece& p : parts) {
        out.append(p.out);
        adler = adler32_combine(adler, p.adler, z_off_t(p.size));
    }
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((adler >> shift) & 0xff));
    return out;
}
