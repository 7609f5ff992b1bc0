#include "utilelayout.h"

namespace {

// The gap around picture-in-picture insets, a share of the surface's width.
constexpr int InsetMarginDivisor = 64;

// Columns × rows of the grid layouts.
struct Grid
{
    int Columns;
    int Rows;
};

QList<QRect> GridTiles(const Grid &Shape, int Count, const QSize &Surface)
{
    QList<QRect> tiles;
    for (int i = 0; i < Count; ++i) {
        const int column = i % Shape.Columns;
        const int row = i / Shape.Columns;
        // Edges from the products, so that the tiles meet without gaps.
        const int left = Surface.width() * column / Shape.Columns;
        const int right = Surface.width() * (column + 1) / Shape.Columns;
        const int top = Surface.height() * row / Shape.Rows;
        const int bottom = Surface.height() * (row + 1) / Shape.Rows;
        tiles << QRect(left, top, right - left, bottom - top);
    }
    return tiles;
}

// The insets stand in a column along the right edge from the bottom corner
// up, then along the left edge, so that the middle of the large picture stays
// free.
QList<QRect> PictureInPictureTiles(int Count, const QSize &Surface)
{
    QList<QRect> tiles{QRect(QPoint(0, 0), Surface)};
    const int width = Surface.width() / UTileLayout::InsetDivisor;
    const int height = Surface.height() / UTileLayout::InsetDivisor;
    const int margin = qMax(2, Surface.width() / InsetMarginDivisor);
    const int perColumn = qMax(1, (Surface.height() - margin) / (height + margin));
    for (int i = 0; i < Count - 1; ++i) {
        const int column = i / perColumn;
        const int place = i % perColumn;
        const int x = column % 2 == 0 ? Surface.width() - margin - width : margin;
        const int y = Surface.height() - (place + 1) * (height + margin);
        tiles << QRect(x, y, width, height);
    }
    return tiles;
}

} // namespace

bool UTileLayout::Fits(Kind Layout, int Count)
{
    switch (Layout) {
    case PictureInPicture:
        return Count >= 2 && Count <= MaxTiles;
    case SideBySide:
        return Count >= 2 && Count <= 3;
    case Grid2x2:
        return Count >= 3 && Count <= 4;
    case Grid3x2:
        return Count >= 5 && Count <= MaxTiles;
    }
    return false;
}

UTileLayout::Kind UTileLayout::Fitting(Kind Wanted, int Count)
{
    if (Fits(Wanted, Count))
        return Wanted;
    return Next(Wanted, Count);
}

UTileLayout::Kind UTileLayout::Next(Kind Current, int Count)
{
    for (int step = 1; step <= KindCount; ++step) {
        const Kind candidate = Kind((int(Current) + step) % KindCount);
        if (Fits(candidate, Count))
            return candidate;
    }
    // Nothing suits one camera: it has no layout to change.
    return Current;
}

QList<QRect> UTileLayout::Tiles(Kind Layout, int Count, const QSize &Surface)
{
    if (Count < 2 || Count > MaxTiles || Surface.isEmpty())
        return {};
    switch (Fitting(Layout, Count)) {
    case PictureInPicture:
        return PictureInPictureTiles(Count, Surface);
    case SideBySide:
        return GridTiles({Count, 1}, Count, Surface);
    case Grid2x2:
        return GridTiles({2, 2}, Count, Surface);
    case Grid3x2:
        return GridTiles({3, 2}, Count, Surface);
    }
    return {};
}

QString UTileLayout::Name(Kind Layout)
{
    switch (Layout) {
    case PictureInPicture:
        return QStringLiteral("Picture in picture");
    case SideBySide:
        return QStringLiteral("Side by side");
    case Grid2x2:
        return QStringLiteral("2×2");
    case Grid3x2:
        return QStringLiteral("3×2");
    }
    return QString();
}
