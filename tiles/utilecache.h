#ifndef UTILECACHE_H
#define UTILECACHE_H

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

#include <map>
#include <optional>

#include "tiles/utileid.h"

// A tile as the cache keeps it: its bytes and what the tile server said of
// how long they stay fresh.
struct UCachedTile
{
    QByteArray Data;
    // Milliseconds since the epoch after which the server wants to be asked
    // again; 0 for at once.
    qint64 ExpiresMs = 0;
    // The server's validator, for asking whether the tile changed.
    QByteArray ETag;

    bool IsFresh(qint64 NowMs) const { return NowMs < ExpiresMs; }
};

// The tiles seen while online, on disk for the times without a network: one
// file a tile under <folder>/<z>/<x>/<y>.tile, at most a cap of bytes in all,
// the least recently used tile going first when a new one needs room. A
// tile is written to a temporary file and renamed into place, so a crash
// leaves either the old tile, the new one or a stray temporary that the next
// start removes; a file whose header, length or checksum is wrong is taken
// for no tile and removed. Safe to use from several threads.
class UTileCache
{
public:
    static constexpr qint64 DefaultCapBytes = 300 * 1024 * 1024;
    static constexpr const char *FileSuffix = ".tile";

    explicit UTileCache(const QString &Folder, qint64 CapBytes = DefaultCapBytes);

    // <XDG cache>/Vialumo/tiles (~/.cache/Vialumo/tiles).
    static QString DefaultFolder();

    // The tile, stale or not, and it becomes the most recently used.
    std::optional<UCachedTile> Get(const UTileId &Tile);
    // Keeps the tile (replacing what was there), making room for it. False
    // when it cannot be written or is larger than the whole cap.
    bool Put(const UTileId &Tile, const UCachedTile &Entry);
    // Whether the tile is kept, without using it.
    bool Contains(const UTileId &Tile);

    QString Folder() const { return Root; }
    qint64 CapBytes() const { return Cap; }
    qint64 TotalBytes();
    qsizetype Count();

    // The file of a tile.
    QString FileOf(const UTileId &Tile) const;

private:
    struct Item
    {
        UTileId Tile;
        qint64 Bytes = 0;
        quint64 Use = 0; // larger is more recent
    };

    // The files already there, read once, oldest use first.
    void LoadIndex();
    void Touch(Item &Entry);
    void Forget(quint64 Key, bool RemoveFile);
    void MakeRoom(qint64 Needed);

    QString Root;
    qint64 Cap;
    QMutex Lock;
    bool Loaded = false;
    QHash<quint64, Item> Items;
    std::map<quint64, quint64> ByUse; // use -> key
    quint64 LastUse = 0;
    qint64 Total = 0;
};

#endif // UTILECACHE_H
