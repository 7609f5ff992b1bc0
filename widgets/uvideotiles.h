#ifndef UVIDEOTILES_H
#define UVIDEOTILES_H

#include <QList>
#include <QObject>
#include <QStringList>

#include "widgets/utilelayout.h"

class QWidget;
class UVideoTile;

// The tiles of a recording's cameras inside the video surface, laid out by
// UTileLayout and following the surface's size (video full screen too).
// Camera i always draws into tile i; the layout moves the tiles. With fewer
// than two cameras there are no tiles and the surface is as it always was.
class UVideoTiles : public QObject
{
    Q_OBJECT
public:
    explicit UVideoTiles(QWidget *Surface);

    // Count cameras from now on; tiles beyond them are hidden.
    void SetCount(int Count);
    int Count() const { return Cameras; }
    // The layout, kept while it suits the cameras (else the next that does).
    void SetLayout(UTileLayout::Kind Layout);
    UTileLayout::Kind Layout() const { return Current; }
    // The camera shown large (first).
    void SetLarge(int Camera);
    int Large() const { return LargeCamera; }
    // Camera i's label over black ("Rear: cannot play"); empty while it plays.
    void SetLabels(const QStringList &Labels);

    // The native window camera i draws into (its tile's).
    quintptr WindowId(int Camera);
    QWidget *Tile(int Camera) const;

signals:
    // A click on camera i's tile.
    void TileClicked(int Camera);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Place();
    UVideoTile *Make(int Camera);

    QWidget *Surface;
    QList<UVideoTile *> Tiles;
    int Cameras = 0;
    UTileLayout::Kind Current = UTileLayout::PictureInPicture;
    int LargeCamera = 0;
};

#endif // UVIDEOTILES_H
