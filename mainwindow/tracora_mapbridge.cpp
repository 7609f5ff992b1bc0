// The map page bridge: choosing a recording loads the map page that suits
// its GPS log, and playback starts once that page has loaded. What to do is
// the console's to say (UMapBridge); the window does it.
#include "tracora.h"
#include "tracora_state.h"

#include <QDebug>
#include <csignal>
#include <sys/types.h>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/udisplaytick.h"
#include "console/umapscript.h"
#include "gpslog/gpslogdata.h"
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"
#include "tiles/utilescheme.h"
#include "widgets/udoubleclickedwidget.h"

void Tracora::LoadMapToPlay(int Index)
{
    const std::optional<UMapStep> step
        = MapBridge.Choose(Index, VideoFiles->GetVideoCount(), VideoFiles->GetGpsfileStatus(Index));
    if (!step)
        return;
    // The route the page shows (still the recording being left's) goes with this choice.
    RouteMap.Chosen(ChoosingByAutoplay, GpsLog->GetTrack());
    CamerasByAutoplay = ChoosingByAutoplay;
    PlaybackGroup->Stop();
    VlcWrapper->Stop();
    HideCameras();
    VideoWindow->update(); // the engine's picture window has gone
    VlcWrapper->SetIndex(Index);
    // Marks belong to the recording they were set on; the page to come shows none.
    ClipMarks.Clear();
    ShowClipMarks(false);
    ApplyMapStep(*step);
}

void Tracora::LoadedToPaly(bool OK)
{
    qDebug() << "LODAD MAP END";
    // Every page that draws tiles takes them through the program's own
    // scheme (offline maps, cache, tile server); it has asked for none yet.
    if (OK)
        RunMapScript(UMapScript::SetTilesCall(UTileScheme::Template()));
    ApplyMapStep(UMapBridge::LoadReported(OK, Status->PlayStatus, GpsTrackLoaded, VlcWrapper->GetIndex(),
                                          VideoFiles->GetVideoCount()));
}

void Tracora::NotConnectedTimerHandler()
{
    ApplyMapStep(MapBridge.FallbackTimedOut());
}

void Tracora::MapRendererGone()
{
    ApplyMapStep(MapBridge.RendererGone(Status->PlayStatus, GpsTrackLoaded));
}

void Tracora::ApplyMapStep(const UMapStep &Step)
{
    if (Step.FallbackTimer == UTimerAction::Stop)
        NotConnectedTimer->stop();
    if (Step.ReadTrack) {
        GpsLog->ClearGpsData();
        GpsLog->ReadGpsSource(VideoFiles->GetGpsSource(Step.TrackIndex));
        ShowRoute();
    }
    if (Step.Play) {
        PrepareCameras(VlcWrapper->GetIndex());
        VlcWrapper->PlayAtIndex();
        PlaybackGroup->Start();
    }
    if (Step.TickTimer != UTimerAction::Keep) {
        UpdateUIDataTimer->stop();
        if (Step.TickTimer == UTimerAction::Start)
            UpdateUIDataTimer->start(UDisplayTick::IntervalMs);
    }
    if (Step.PlayStatus)
        Status->PlayStatus = *Step.PlayStatus;
    if (Step.TrackLoaded)
        GpsTrackLoaded = *Step.TrackLoaded;
    if (Step.EndRenderer) {
        // Its script never returns; the next page would wait behind it.
        const qint64 renderer = MapView->page()->renderProcessPid();
        if (renderer > 0)
            ::kill(pid_t(renderer), SIGKILL);
    }
    if (!Step.Page.isEmpty())
        ShowMapPage(Step.Page);
    if (Step.AnnounceOnlineMap)
        qDebug() << "LODAD MAP START";
    if (Step.FallbackTimer == UTimerAction::Start)
        NotConnectedTimer->start(UMapBridge::FallbackIntervalMs);
    if (Step.AskOnline) {
        // The page answers later, from the event loop; by then the user may
        // have chosen again, the fallback may have run, or the window may be
        // going (its engine already gone).
        const UMapQuestion question = MapBridge.Ask(VlcWrapper->GetIndex());
        MapView->page()->runJavaScript(UMapScript::IsOnlineQuery(), [this, question](const QVariant &online) {
            if (!MapBridge.IsCurrent(question))
                return;
            ApplyMapStep(MapBridge.OnlineAnswered(question, online.toBool(), Status->PlayStatus, GpsTrackLoaded,
                                                  VlcWrapper->GetIndex(), VideoFiles->GetVideoCount()));
        });
    }
}
