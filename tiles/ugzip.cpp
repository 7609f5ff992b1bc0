#include "ugzip.h"

#include <zlib.h>

namespace {

// zlib's window bits for a gzip header and trailer rather than zlib's own.
constexpr int GzipWindowBits = 16 + MAX_WBITS;
constexpr qsizetype Chunk = 64 * 1024;

} // namespace

namespace UGzip {

std::optional<QByteArray> Inflate(const QByteArray &Bytes, qsizetype Limit)
{
    if (Bytes.size() < 2 || quint8(Bytes.at(0)) != 0x1f || quint8(Bytes.at(1)) != 0x8b)
        return std::nullopt;
    z_stream stream{};
    if (inflateInit2(&stream, GzipWindowBits) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(Bytes.constData()));
    stream.avail_in = uInt(Bytes.size());
    QByteArray out;
    int status = Z_OK;
    while (status == Z_OK) {
        const qsizetype done = out.size();
        const qsizetype room = qMin(Chunk, Limit + 1 - done);
        if (room <= 0)
            break;
        out.resize(done + room);
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + done);
        stream.avail_out = uInt(room);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(done + room - qsizetype(stream.avail_out));
        // No progress with input left means the stream is damaged; with none
        // left it is cut short.
        if (status == Z_BUF_ERROR || (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0))
            break;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || out.size() > Limit)
        return std::nullopt;
    return out;
}

QByteArray Deflate(const QByteArray &Bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, GzipWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    QByteArray out(qsizetype(deflateBound(&stream, uLong(Bytes.size()))) + 32, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(Bytes.constData()));
    stream.avail_in = uInt(Bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray();
}

} // namespace UGzip
