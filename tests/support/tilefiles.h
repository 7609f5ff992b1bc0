#ifndef TILEFILES_H
#define TILEFILES_H

// Map files made at test time: MBTiles through Qt SQL, PMTiles (version 3)
// byte by byte, with known tiles at known places.
#include <QAtomicInteger>
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QtEndian>

#include <algorithm>

#include "tiles/ugzip.h"
#include "tiles/uofflinemap.h"
#include "tiles/upmtiles.h"
#include "tiles/utileid.h"

namespace tilefiles {

struct MapTile
{
    UTileId Tile;
    QByteArray Data;
};

// Bytes that pass for a PNG (the readers only look at the head), naming the tile.
inline QByteArray FakePng(const UTileId &Tile, const QByteArray &Extra = QByteArray())
{
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + "tile " + Tile.Text().toLatin1() + Extra;
}

inline bool WriteFile(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(Bytes) == Bytes.size();
}

inline QByteArray ReadFile(const QString &Path)
{
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using Metadata = QList<QPair<QString, QString>>;

inline Metadata PngMetadata(int MinZoom = 0, int MaxZoom = 18)
{
    return {{QStringLiteral("name"), QStringLiteral("test map")},
            {QStringLiteral("format"), QStringLiteral("png")},
            {QStringLiteral("minzoom"), QString::number(MinZoom)},
            {QStringLiteral("maxzoom"), QString::number(MaxZoom)}};
}

// An MBTiles file with the tiles at their XYZ places (stored with TMS rows).
inline bool WriteMbTiles(const QString &Path, const QList<MapTile> &Tiles, const Metadata &Meta,
                         bool WithMetadataTable = true)
{
    static QAtomicInteger<int> serial;
    const QString name = QStringLiteral("tilefiles-writer-%1").arg(serial.fetchAndAddRelaxed(1));
    QFile::remove(Path);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(Path);
        ok = db.open();
        QSqlQuery query(db);
        if (ok && WithMetadataTable) {
            ok = query.exec(QStringLiteral("CREATE TABLE metadata (name text, value text)"));
            for (const auto &entry : Meta) {
                ok = ok && query.prepare(QStringLiteral("INSERT INTO metadata VALUES (?, ?)"));
                query.addBindValue(entry.first);
                query.addBindValue(entry.second);
                ok = ok && query.exec();
            }
        }
        ok = ok
            && query.exec(QStringLiteral("CREATE TABLE tiles (zoom_level integer, tile_column integer, "
                                         "tile_row integer, tile_data blob)"))
            && query.exec(QStringLiteral("CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row)"))
            && db.transaction();
        for (const MapTile &tile : Tiles) {
            ok = ok && query.prepare(QStringLiteral("INSERT INTO tiles VALUES (?, ?, ?, ?)"));
            query.addBindValue(tile.Tile.Z);
            query.addBindValue(tile.Tile.X);
            query.addBindValue(tile.Tile.FlippedY());
            query.addBindValue(tile.Data);
            ok = ok && query.exec();
        }
        ok = ok && db.commit();
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

struct PmOptions
{
    bool GzipDirectories = true;
    bool GzipTiles = false;
    quint8 TileType = UPmTiles::Png;
    // Entries per leaf directory; 0 keeps all in the root.
    int LeafEntries = 0;
    int MinZoom = 0;
    int MaxZoom = 18;
    UMapBounds Bounds;
    quint8 Version = 3;
};

inline void PutLittle64(QByteArray &Bytes, int At, quint64 Value)
{
    qToLittleEndian<quint64>(Value, Bytes.data() + At);
}

inline void PutLittle32(QByteArray &Bytes, int At, qint32 Value)
{
    qToLittleEndian<qint32>(Value, Bytes.data() + At);
}

// A PMTiles file: header, root directory, metadata, leaf directories, tile
// data. Equal tiles at consecutive ids share one entry (a run).
inline QByteArray PmTilesBytes(QList<MapTile> Tiles, const PmOptions &Options = PmOptions())
{
    std::sort(Tiles.begin(), Tiles.end(), [](const MapTile &a, const MapTile &b) {
        return UPmTiles::TileIdOf(a.Tile) < UPmTiles::TileIdOf(b.Tile);
    });
    UPmTiles::Directory entries;
    QByteArray data;
    for (const MapTile &tile : Tiles) {
        const quint64 id = UPmTiles::TileIdOf(tile.Tile);
        const QByteArray stored = Options.GzipTiles ? UGzip::Deflate(tile.Data) : tile.Data;
        if (!entries.isEmpty()) {
            UPmTiles::Entry &last = entries.last();
            if (last.TileId + last.RunLength == id && data.mid(qsizetype(last.Offset), last.Length) == stored) {
                ++last.RunLength;
                continue;
            }
        }
        entries.append({id, quint64(data.size()), quint32(stored.size()), 1});
        data += stored;
    }
    auto pack = [&](const QByteArray &bytes) { return Options.GzipDirectories ? UGzip::Deflate(bytes) : bytes; };
    QByteArray leaves;
    UPmTiles::Directory root;
    if (Options.LeafEntries > 0) {
        for (qsizetype at = 0; at < entries.size(); at += Options.LeafEntries) {
            const UPmTiles::Directory leaf = entries.mid(at, Options.LeafEntries);
            const QByteArray bytes = pack(UPmTiles::Encode(leaf));
            root.append({leaf.first().TileId, quint64(leaves.size()), quint32(bytes.size()), 0});
            leaves += bytes;
        }
    } else {
        root = entries;
    }
    const QByteArray rootBytes = pack(UPmTiles::Encode(root));
    const QByteArray metadata = pack(QByteArray("{\"name\":\"test map\"}"));

    QByteArray header(UPmTiles::HeaderBytes, '\0');
    memcpy(header.data(), "PMTiles", 7);
    header[7] = char(Options.Version);
    const quint64 rootOffset = UPmTiles::HeaderBytes;
    const quint64 metadataOffset = rootOffset + quint64(rootBytes.size());
    const quint64 leafOffset = metadataOffset + quint64(metadata.size());
    const quint64 dataOffset = leafOffset + quint64(leaves.size());
    PutLittle64(header, 8, rootOffset);
    PutLittle64(header, 16, quint64(rootBytes.size()));
    PutLittle64(header, 24, metadataOffset);
    PutLittle64(header, 32, quint64(metadata.size()));
    PutLittle64(header, 40, leafOffset);
    PutLittle64(header, 48, quint64(leaves.size()));
    PutLittle64(header, 56, dataOffset);
    PutLittle64(header, 64, quint64(data.size()));
    PutLittle64(header, 72, quint64(Tiles.size()));
    PutLittle64(header, 80, quint64(entries.size()));
    PutLittle64(header, 88, quint64(entries.size()));
    header[96] = 1;
    header[97] = char(Options.GzipDirectories ? UPmTiles::Gzip : UPmTiles::NoCompression);
    header[98] = char(Options.GzipTiles ? UPmTiles::Gzip : UPmTiles::NoCompression);
    header[99] = char(Options.TileType);
    header[100] = char(Options.MinZoom);
    header[101] = char(Options.MaxZoom);
    PutLittle32(header, 102, qint32(qRound(Options.Bounds.West * 1e7)));
    PutLittle32(header, 106, qint32(qRound(Options.Bounds.South * 1e7)));
    PutLittle32(header, 110, qint32(qRound(Options.Bounds.East * 1e7)));
    PutLittle32(header, 114, qint32(qRound(Options.Bounds.North * 1e7)));
    return header + rootBytes + metadata + leaves + data;
}

} // namespace tilefiles

#endif // TILEFILES_H
