#ifndef UPMTILES_H
#define UPMTILES_H

#include <QFile>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QVector>

#include <memory>
#include <optional>

#include "tiles/uofflinemap.h"

// A PMTiles file (version 3) of picture tiles: a 127-byte header, a root
// directory, optional leaf directories and the tiles, each directory a list
// of entries (tile id on the Hilbert curves of the zooms, offset, length,
// run length) written as varints, column by column, possibly gzipped. Read
// by seeking: the root directory is kept, leaf directories are read when a
// tile needs them and kept in a bounded cache.
class UPmTiles : public UOfflineMap
{
public:
    struct Entry
    {
        quint64 TileId = 0;
        quint64 Offset = 0; // from the start of the tile data (or leaf directories)
        quint32 Length = 0;
        quint32 RunLength = 0; // 0: the entry points at a leaf directory
    };
    using Directory = QVector<Entry>;

    // The header's compression and tile type codes.
    enum Compression : quint8 { UnknownCompression = 0, NoCompression = 1, Gzip = 2, Brotli = 3, Zstd = 4 };
    enum TileType : quint8 { UnknownType = 0, Mvt = 1, Png = 2, Jpeg = 3, Webp = 4, Avif = 5 };

    static constexpr int HeaderBytes = 127;
    // Bounds on what one file may make the reader hold.
    static constexpr qint64 MaxDirectoryBytes = 8 * 1024 * 1024;
    static constexpr qint64 MaxInflatedDirectoryBytes = 32 * 1024 * 1024;
    static constexpr qint64 MaxTileBytes = 16 * 1024 * 1024;
    static constexpr qsizetype LeafCacheEntries = 1024 * 1024;
    static constexpr int MaxLeafDepth = 4;

    ~UPmTiles() override;

    // "PMTiles", or the "PM" of the older versions.
    static bool LooksLikeOne(const QByteArray &Head);
    static std::unique_ptr<UPmTiles> Open(const QString &Path, QString *Error);

    QByteArray Tile(const UTileId &Tile) override;

    // The tile's number: the tiles of all lower zooms, then its place along
    // the Hilbert curve of its zoom.
    static quint64 TileIdOf(const UTileId &Tile);
    // One serialized directory (already inflated); nothing when it is
    // malformed (no entries, a varint beyond the bytes or 64 bits, ids out
    // of order, a zero length, bytes left over).
    static std::optional<Directory> Decode(const QByteArray &Bytes);
    // The other way, for writing test files and benchmarks.
    static QByteArray Encode(const Directory &Entries);
    // The entry that holds the id, or the leaf that may: the last one whose
    // id is not above it. Null when none.
    static const Entry *Find(const Directory &Entries, quint64 TileId);

    quint8 TileTypeCode() const { return Type; }
    // The leaf directories held now (for tests of the cache's bound).
    qsizetype CachedLeafEntries() const;

private:
    explicit UPmTiles(const QString &Path);
    QString Check();
    // Reads Length bytes at Offset; empty when they are not all there.
    QByteArray ReadAt(quint64 Offset, quint64 Length);
    std::optional<QByteArray> Unpack(const QByteArray &Bytes, Compression How, qint64 Limit) const;
    std::optional<Directory> ReadDirectory(quint64 Offset, quint64 Length);
    const Directory *Leaf(quint64 Offset, quint32 Length);

    mutable QMutex Lock;
    QFile File;
    quint64 FileSize = 0;
    quint64 LeafOffset = 0;
    quint64 LeafLength = 0;
    quint64 DataOffset = 0;
    quint64 DataLength = 0;
    Compression Internal = NoCompression;
    Compression TileCompression = NoCompression;
    quint8 Type = UnknownType;
    Directory Root;
    // Leaf directories by offset, the least recently used first out.
    QHash<quint64, std::shared_ptr<Directory>> Leaves;
    QList<quint64> LeafOrder;
    qsizetype LeafEntries = 0;
    bool Warned = false;
};

#endif // UPMTILES_H
