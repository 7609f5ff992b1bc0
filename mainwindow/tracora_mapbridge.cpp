// The map page bridge: choosing a recording loads the map page that suits
// its GPS log, and playback starts once that page has loaded.
#include "tracora.h"
#include "tracora_state.h"

#include <QDebug>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "catalogue/uvideoandgpsfiles.h"
#include "gpslog/gpslogdata.h"
#include "playback/uvlcwrapper.h"
#include "widgets/udoubleclickedwidget.h"

namespace {

const QString OnlineMapPage = QStringLiteral("googlearth.html");
const QString NoGpsFilePage = QStringLiteral("no_gps_file.html");
const QString NoGpsInfoPage = QStringLiteral("no_gps_info.html");
const QString NoConnectionPage = QStringLiteral("no_connection.html");

// "this.checked" evaluated with the first "#isonline" element as this; no
// element reads as not online.
const QString IsOnlineQuery = QStringLiteral(
    "(function () {"
    " var element = document.querySelector('#isonline');"
    " if (!element) return false;"
    " return Boolean((function () { return this.checked; }).call(element));"
    "})()");

} // namespace

void Tracora::LoadMapToPlay(int Index)
{
    if (Index < 0 || Index >= VideoFiles->GetVideoCount())
        return;

    // Whatever the map page still has to answer now belongs to an old choice.
    ++MapChoiceSerial;
    VlcWrapper->Stop();
    VideoWindow->update(); // the engine's picture window has gone
    VlcWrapper->SetIndex(Index);

    const QString status = VideoFiles->GetGpsfileStatus(Index);
    if (status == GpsfileAvailableWord) {
        GpsTrackLoaded = false;
        Status->PlayStatus = 1;
        ShowMapPage(OnlineMapPage);
        qDebug() << "LODAD MAP START";
        NotConnectedTimer->start(NotConnectedIntervalMs);
        return;
    }

    // A fallback timer left from an earlier choice of the online map would
    // later replace this page and start this recording again.
    NotConnectedTimer->stop();
    if (status == GpsfileNotExistWord) {
        Status->PlayStatus = 2;
        ShowMapPage(NoGpsFilePage);
    } else {
        Status->PlayStatus = 3;
        ShowMapPage(NoGpsInfoPage);
    }
}

void Tracora::LoadedToPaly(bool OK)
{
    qDebug() << "LODAD MAP END";
    if (!OK)
        return;
    NotConnectedTimer->stop();

    switch (Status->PlayStatus) {
    case 1: {
        if (GpsTrackLoaded)
            return;
        // The page answers later, from the event loop; by then the user may
        // have chosen again or the fallback may have run.
        const quint64 serial = MapChoiceSerial;
        const int index = VlcWrapper->GetIndex();
        MapView->page()->runJavaScript(IsOnlineQuery, [this, serial, index](const QVariant &online) {
            if (serial != MapChoiceSerial || Status->PlayStatus != 1 || GpsTrackLoaded
                || VlcWrapper->GetIndex() != index)
                return;
            if (online.toBool()) {
                if (index < 0 || index >= VideoFiles->GetVideoCount())
                    return;
                GpsLog->ClearGpsData();
                GpsLog->ReadGpsfile(VideoFiles->GetGpsfilePath(index));
                VlcWrapper->PlayAtIndex();
                UpdateUIDataTimer->stop();
                UpdateUIDataTimer->start(UpdateUIDataIntervalMs);
                GpsTrackLoaded = true;
            } else {
                UpdateUIDataTimer->stop();
                Status->PlayStatus = 4;
                ShowMapPage(NoConnectionPage);
            }
        });
        return;
    }
    case 2:
    case 3:
    case 4:
        VlcWrapper->PlayAtIndex();
        UpdateUIDataTimer->stop();
        UpdateUIDataTimer->start(UpdateUIDataIntervalMs);
        return;
    default:
        return;
    }
}

void Tracora::NotConnectedTimerHandler()
{
    Status->PlayStatus = 4;
    ShowMapPage(NoConnectionPage);
}
