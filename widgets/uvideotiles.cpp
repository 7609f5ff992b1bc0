#include "uvideotiles.h"

#include <QEvent>
#include <QWidget>

#include "widgets/uvideotile.h"

UVideoTiles::UVideoTiles(QWidget *Surface)
    : QObject(Surface)
    , Surface(Surface)
{
    Surface->installEventFilter(this);
}

UVideoTile *UVideoTiles::Make(int Camera)
{
    while (Tiles.size() <= Camera) {
        auto *tile = new UVideoTile(Surface);
        const int camera = int(Tiles.size());
        tile->setObjectName(QStringLiteral("VideoTile%1").arg(camera));
        tile->hide();
        connect(tile, &UVideoTile::Clicked, this, [this, camera] { emit TileClicked(camera); });
        Tiles << tile;
    }
    return Tiles.at(Camera);
}

void UVideoTiles::SetCount(int Count)
{
    Cameras = qBound(0, Count, UTileLayout::MaxTiles);
    if (Cameras >= 2) {
        Make(Cameras - 1);
        Current = UTileLayout::Fitting(Current, Cameras);
    }
    if (LargeCamera >= Cameras)
        LargeCamera = 0;
    Place();
}

void UVideoTiles::SetLayout(UTileLayout::Kind Layout)
{
    Current = Cameras >= 2 ? UTileLayout::Fitting(Layout, Cameras) : Layout;
    Place();
}

void UVideoTiles::SetLarge(int Camera)
{
    if (Camera < 0 || Camera >= qMax(Cameras, 1))
        return;
    LargeCamera = Camera;
    Place();
}

void UVideoTiles::SetLabels(const QStringList &Labels)
{
    for (int i = 0; i < Tiles.size(); ++i)
        Tiles.at(i)->SetLabel(Labels.value(i));
}

quintptr UVideoTiles::WindowId(int Camera)
{
    if (Camera < 0 || Camera >= UTileLayout::MaxTiles)
        return 0;
    return quintptr(Make(Camera)->winId());
}

QWidget *UVideoTiles::Tile(int Camera) const
{
    return Tiles.value(Camera);
}

void UVideoTiles::Place()
{
    // The large camera first, then the others in the recording's order.
    QList<int> order{LargeCamera};
    for (int camera = 0; camera < Cameras; ++camera) {
        if (camera != LargeCamera)
            order << camera;
    }
    const QList<QRect> rects = UTileLayout::Tiles(Current, Cameras, Surface->size());
    for (int i = 0; i < Tiles.size(); ++i) {
        const int place = order.indexOf(i);
        if (rects.isEmpty() || place < 0) {
            Tiles.at(i)->hide();
            continue;
        }
        Tiles.at(i)->setGeometry(rects.at(place));
        Tiles.at(i)->show();
    }
    // Later tiles lie above the large one (the insets of picture-in-picture).
    for (int place = 1; place < order.size() && !rects.isEmpty(); ++place)
        Tiles.at(order.at(place))->raise();
}

bool UVideoTiles::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Surface && event->type() == QEvent::Resize)
        Place();
    return QObject::eventFilter(watched, event);
}
