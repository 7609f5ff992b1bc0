#include "uofflinemap.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

#include "tiles/umbtiles.h"
#include "tiles/upmtiles.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
// Enough of the head to tell the formats apart.
constexpr qint64 HeadBytes = 16;

double LatitudeOfRow(double Row, int Zoom)
{
    const double n = Pi - 2.0 * Pi * Row / std::ldexp(1.0, Zoom);
    return 180.0 / Pi * std::atan(std::sinh(n));
}

} // namespace

bool UMapBounds::IsValid() const
{
    return std::isfinite(West) && std::isfinite(South) && std::isfinite(East) && std::isfinite(North)
        && West >= -180.0 && East <= 180.0 && South >= -90.0 && North <= 90.0 && West < East && South < North;
}

UMapBounds UMapBounds::OfTile(const UTileId &Tile)
{
    const double side = std::ldexp(1.0, Tile.Z);
    UMapBounds box;
    box.West = Tile.X / side * 360.0 - 180.0;
    box.East = (Tile.X + 1) / side * 360.0 - 180.0;
    box.North = LatitudeOfRow(Tile.Y, Tile.Z);
    box.South = LatitudeOfRow(Tile.Y + 1.0, Tile.Z);
    return box;
}

bool UMapBounds::Intersects(const UMapBounds &Other) const
{
    // Boxes that only touch along an edge share no tile.
    return West < Other.East && Other.West < East && South < Other.North && Other.South < North;
}

UOfflineMap::UOfflineMap(const QString &Path)
    : FilePath(Path)
{
}

UOfflineMap::~UOfflineMap() = default;

QString UOfflineMap::Name() const
{
    return QFileInfo(FilePath).fileName();
}

bool UOfflineMap::Covers(const UTileId &Tile) const
{
    return Tile.IsValid() && Tile.Z >= LowestZoom && Tile.Z <= HighestZoom && Box.Intersects(UMapBounds::OfTile(Tile));
}

QString UOfflineMap::Problem(const QString &Path, const QString &What)
{
    return QFileInfo(Path).fileName() + QStringLiteral(": ") + What;
}

std::unique_ptr<UOfflineMap> UOfflineMap::Open(const QString &Path, QString *Error)
{
    QString error;
    std::unique_ptr<UOfflineMap> map;
    QFile file(Path);
    const QFileInfo info(Path);
    if (!info.exists()) {
        error = Problem(Path, QStringLiteral("no such file"));
    } else if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        error = Problem(Path, QStringLiteral("cannot be read"));
    } else {
        const QByteArray head = file.read(HeadBytes);
        file.close();
        if (head.isEmpty())
            error = Problem(Path, QStringLiteral("the file is empty"));
        else if (UMbTiles::LooksLikeOne(head))
            map = UMbTiles::Open(Path, &error);
        else if (UPmTiles::LooksLikeOne(head))
            map = UPmTiles::Open(Path, &error);
        else
            error = Problem(Path, QStringLiteral("not an offline map (MBTiles or PMTiles)"));
    }
    if (!map && Error)
        *Error = error;
    return map;
}
