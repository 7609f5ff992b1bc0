#ifndef UTILEID_H
#define UTILEID_H

#include <QByteArray>
#include <QHashFunctions>
#include <QString>
#include <QtGlobal>

// One square of the web map's tile pyramid: zoom Z, column X from the west,
// row Y from the north (the XYZ scheme of the map pages). 2^Z columns and
// rows at zoom Z.
struct UTileId
{
    int Z = 0;
    int X = 0;
    int Y = 0;

    // Deeper than any map draws; keeps 2^Z and the pyramid's tile numbers
    // within 64 bits.
    static constexpr int MaxZoom = 30;

    bool IsValid() const;
    // The same tile counted from the south, as MBTiles (TMS) rows are.
    int FlippedY() const;
    // "z/x/y", for messages and file names.
    QString Text() const;
    // One number per tile, unique across zooms, for tables and file names.
    quint64 Key() const;

    friend bool operator==(const UTileId &A, const UTileId &B) { return A.Z == B.Z && A.X == B.X && A.Y == B.Y; }
    friend bool operator!=(const UTileId &A, const UTileId &B) { return !(A == B); }
};

inline size_t qHash(const UTileId &Tile, size_t Seed = 0) noexcept
{
    return qHash(Tile.Key(), Seed);
}

// What a tile's bytes are, from their first bytes: the picture formats the
// web view draws, and the vector tiles it cannot.
namespace UTileFormat {

// "image/png", "image/jpeg", "image/webp", "image/avif", or empty when the
// bytes are no picture the map can show.
QByteArray PictureMime(const QByteArray &Bytes);
// gzip-compressed bytes (vector tiles mostly come so).
bool IsGzip(const QByteArray &Bytes);

} // namespace UTileFormat

#endif // UTILEID_H
