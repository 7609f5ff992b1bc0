#ifndef UOFFLINEMAP_H
#define UOFFLINEMAP_H

#include <QByteArray>
#include <QString>

#include <memory>

#include "tiles/utileid.h"

// Longitudes and latitudes a map covers, in degrees.
struct UMapBounds
{
    // The web map's square world: its projection ends at these latitudes.
    static constexpr double MercatorLimit = 85.0511287798;

    double West = -180.0;
    double South = -MercatorLimit;
    double East = 180.0;
    double North = MercatorLimit;

    // Whether the numbers make a box on the globe.
    bool IsValid() const;
    // The box a tile covers.
    static UMapBounds OfTile(const UTileId &Tile);
    bool Intersects(const UMapBounds &Other) const;
};

// A map file of the user's: picture tiles the map pages can show without a
// network. Readers are used from several threads at once.
class UOfflineMap
{
public:
    virtual ~UOfflineMap();
    UOfflineMap(const UOfflineMap &) = delete;
    UOfflineMap &operator=(const UOfflineMap &) = delete;

    // Opens an MBTiles or PMTiles file, told apart by its first bytes (not
    // its name). Nothing, and one message naming the file and what is wrong
    // with it, when it cannot be shown: unreadable, empty, cut short,
    // damaged, no map, another version, vector tiles.
    static std::unique_ptr<UOfflineMap> Open(const QString &Path, QString *Error);

    QString Path() const { return FilePath; }
    // The file's name, for messages.
    QString Name() const;
    int MinZoom() const { return LowestZoom; }
    int MaxZoom() const { return HighestZoom; }
    UMapBounds Bounds() const { return Box; }

    // Whether the tile lies within the map's zooms and bounds (the map may
    // still lack it).
    bool Covers(const UTileId &Tile) const;
    // The tile's bytes as stored (inflated where the map stores them
    // compressed), empty when the map has no such tile or it cannot be read.
    virtual QByteArray Tile(const UTileId &Tile) = 0;

protected:
    explicit UOfflineMap(const QString &Path);
    // "<file name>: <what>", the one message of a failed open.
    static QString Problem(const QString &Path, const QString &What);

    QString FilePath;
    int LowestZoom = 0;
    int HighestZoom = UTileId::MaxZoom;
    UMapBounds Box;
};

#endif // UOFFLINEMAP_H
