#ifndef UMBTILES_H
#define UMBTILES_H

#include <QHash>
#include <QMutex>

#include <memory>

#include "tiles/uofflinemap.h"

class QSqlQuery;
class QThread;

// An MBTiles file of picture tiles (PNG, JPEG, WebP): an SQLite database
// with a `tiles` table (zoom_level, tile_column, tile_row counted from the
// south, tile_data) and a `metadata` table of names and values (format,
// bounds, minzoom, maxzoom). Read through Qt SQL, read-only, with one
// connection per thread that reads, since a connection belongs to the thread
// that opened it.
class UMbTiles : public UOfflineMap
{
public:
    ~UMbTiles() override;

    // An SQLite database's first bytes.
    static bool LooksLikeOne(const QByteArray &Head);
    static std::unique_ptr<UMbTiles> Open(const QString &Path, QString *Error);

    QByteArray Tile(const UTileId &Tile) override;
    // The metadata's "format" as given ("png", "jpg", "webp"), or empty.
    QString Format() const { return TileFormat; }

private:
    explicit UMbTiles(const QString &Path);
    struct Connection;
    // This thread's connection, opened on first use; null when it cannot be.
    Connection *ThisThreadsConnection();
    QString Check();

    QMutex Lock;
    QHash<QThread *, Connection *> Connections;
    QString ConnectionPrefix;
    QString TileFormat;
    bool Warned = false;
};

#endif // UMBTILES_H
