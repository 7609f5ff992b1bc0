// The route on the online map: the whole route of a recording sent once its
// track is read, and seeks asked for by the page through the web channel.
// What to send and which seek applies is the console's to say (UMapRoute).
#include "tracora.h"

#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "console/udisplaytick.h"
#include "gpslog/gpslogdata.h"
#include "mainwindow/umapplayerobject.h"
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"

namespace {

// The name the map page looks the player up by.
const QString PlayerObjectName = QStringLiteral("player");

} // namespace

void Tracora::AttachMapChannel()
{
    if (!MapChannel) {
        MapChannel = new QWebChannel(this);
        auto *player = new UMapPlayerObject(MapChannel);
        MapChannel->registerObject(PlayerObjectName, player);
        connect(player, &UMapPlayerObject::SeekRequested, this, &Tracora::SeekFromMap);
        connect(player, &UMapPlayerObject::RecordingSeekRequested, this, &Tracora::SeekToRecordingFromMap);
    }
    // A page keeps its channel from one document to the next; a page put
    // into the view in place of the first one gets it here.
    QWebEnginePage *page = MapView->page();
    if (page->webChannel() != MapChannel)
        page->setWebChannel(MapChannel);
}

void Tracora::ShowRoute()
{
    // The unit and the tiles first: the route is drawn with them.
    const QStringList calls = MapSettingsCalls() + RouteMap.ShowCalls(GpsLog->GetTrack());
    for (const QString &call : calls)
        RunMapScript(call);
    ShowEventMarks(!calls.isEmpty());
}

void Tracora::SeekFromMap(int Second)
{
    // A call may still come while the window goes.
    if (!VlcWrapper || !PlaybackGroup)
        return;
    const qint64 length = VlcWrapper->GetLength();
    const std::optional<qint64> target = RouteMap.SeekTarget(Second, VlcWrapper->GetState(), length);
    if (!target)
        return;
    // Every camera goes there.
    PlaybackGroup->SeekTo(*target);
    ApplyDisplaySteps(UDisplayTick::SoughtSteps(*target, length));
}
