// The cameras of a recording played together: which cameras the tiles show
// (the console's UCameraTiles), where each draws (UVideoTiles), the group of
// players that keeps them at the front's time (UPlaybackGroup), V for the
// next layout and a click on a tile for the large camera.
#include "tracora.h"
#include "tracora_state.h"

#include <QGuiApplication>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/ucameratiles.h"
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"
#include "widgets/udoubleclickedwidget.h"
#include "widgets/uvideotiles.h"

namespace {

bool OnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

void Tracora::BuildCameraParts()
{
    Tiles = new UVideoTiles(VideoWindow);
    connect(Tiles, &UVideoTiles::TileClicked, this, [this](int Camera) { Tiles->SetLarge(Camera); });
    connect(PlaybackGroup, &UPlaybackGroup::FacesChanged, this, &Tracora::ShowCameraFaces);
}

void Tracora::PrepareCameras(int Index)
{
    const bool byAutoplay = CamerasByAutoplay;
    CamerasByAutoplay = false;
    const UCameraFiles before = ShownCameras;
    ShownCameras = UCameraTiles::Shown(VideoFiles->GetCameras(Index), before, byAutoplay);
    const int count = int(ShownCameras.size());
    const QString platform = QGuiApplication::platformName();
    if (count < 2) {
        // One camera: the surface itself, as it always was.
        if (OnX11())
            VlcWrapper->SetVideoWindow(quintptr(VideoWindow->winId()), platform);
        Tiles->SetCount(0);
        PlaybackGroup->SetOtherCameras({});
        return;
    }
    // The large camera stays while autoplay goes on along the drive.
    if (!byAutoplay)
        Tiles->SetLarge(0);
    Tiles->SetCount(count);
    if (OnX11())
        VlcWrapper->SetVideoWindow(Tiles->WindowId(0), platform);
    QList<UGroupCamera> others;
    for (int camera = 1; camera < count; ++camera)
        others << UGroupCamera{ShownCameras.at(camera).Path, OnX11() ? Tiles->WindowId(camera) : 0};
    PlaybackGroup->SetOtherCameras(others);
    ShowCameraFaces();
}

void Tracora::HideCameras()
{
    // The engine's pictures have gone: the surface shows its own face again.
    Tiles->SetCount(0);
}

void Tracora::ShowCameraFaces()
{
    if (ShownCameras.size() < 2)
        return;
    QStringList labels;
    for (int camera = 0; camera < ShownCameras.size(); ++camera)
        labels << UCameraTiles::Label(ShownCameras.at(camera).Role, PlaybackGroup->Face(camera));
    Tiles->SetLabels(labels);
}

void Tracora::NextCameraLayout()
{
    // A recording of one camera has no layout to change.
    if (Tiles->Count() < 2)
        return;
    Tiles->SetLayout(UTileLayout::Next(Tiles->Layout(), Tiles->Count()));
    ShowNote(UTileLayout::Name(Tiles->Layout()));
}
