#ifndef UTILELAYOUT_H
#define UTILELAYOUT_H

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// Where the pictures of a recording's cameras lie inside the video surface.
// Plain geometry: the tiles' rectangles for a layout, a number of cameras
// and the surface's size, tile 0 being the large one.
class UTileLayout
{
public:
    enum Kind {
        PictureInPicture, // the large one fills the surface, the others are insets
        SideBySide,       // one row of equal columns
        Grid2x2,          // up to four
        Grid3x2,          // up to six
    };
    static constexpr int KindCount = 4;
    // The most cameras a layout shows (3×2).
    static constexpr int MaxTiles = 6;
    // A picture-in-picture inset takes this share of the surface's width
    // (and of its height, so that it keeps the surface's shape).
    static constexpr int InsetDivisor = 4;

    // Whether the layout suits Count cameras: picture-in-picture any number
    // from two, side by side two or three, 2×2 three or four, 3×2 five or six.
    static bool Fits(Kind Layout, int Count);
    // Wanted where it suits Count cameras, else the next one that does.
    static Kind Fitting(Kind Wanted, int Count);
    // The layout after Current for Count cameras (what V steps to): the next
    // one that suits them, in the order of Kind, round again.
    static Kind Next(Kind Current, int Count);

    // The rectangles of Count tiles inside a surface of Surface's size, in
    // the order the cameras are shown: the first is the large one. Empty
    // for fewer than two cameras or more than MaxTiles.
    static QList<QRect> Tiles(Kind Layout, int Count, const QSize &Surface);

    // The layout's name as the note over the video shows it.
    static QString Name(Kind Layout);
};

#endif // UTILELAYOUT_H
