#ifndef UTILESCHEME_H
#define UTILESCHEME_H

#include <QString>
#include <QUrl>

#include <optional>

#include "tiles/utileid.h"

// The program's own URL scheme for map tiles, as the map pages ask for them:
//
//     vialumo-tiles://tile/{z}/{x}/{y}
//
// z, x, y in the XYZ scheme (rows from the north), decimal, no leading "+".
// The player hands the template to the pages (settiles); the window's scheme
// handler answers each URL from the user's offline maps, the tile cache, or
// the tile server. Any other path, a query or a fragment is not a tile.
namespace UTileScheme {

// "vialumo-tiles"
QString Name();
// "vialumo-tiles://tile/{z}/{x}/{y}"
QString Template();
// The URL of one tile.
QUrl UrlOf(const UTileId &Tile);
// The tile a URL names, if it names one.
std::optional<UTileId> Parse(const QUrl &Url);

} // namespace UTileScheme

#endif // UTILESCHEME_H
