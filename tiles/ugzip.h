#ifndef UGZIP_H
#define UGZIP_H

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// gzip through zlib, as PMTiles directories and some tiles come.
namespace UGzip {

// The inflated bytes of one gzip member, or nothing when the bytes are not
// gzip, are cut short or damaged, or would inflate beyond Limit bytes (a
// small file must not make the reader take all memory).
std::optional<QByteArray> Inflate(const QByteArray &Bytes, qsizetype Limit);
// gzip-compressed bytes (for writing test files and caches).
QByteArray Deflate(const QByteArray &Bytes);

} // namespace UGzip

#endif // UGZIP_H
