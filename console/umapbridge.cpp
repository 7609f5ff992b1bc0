#include "umapbridge.h"

#include "catalogue/uvideoandgpsfiles.h"

namespace {

const QString StartupPage = QStringLiteral("startupp.html");
const QString OnlineMapPage = QStringLiteral("googlearth.html");
const QString NoGpsFilePage = QStringLiteral("no_gps_file.html");
const QString NoGpsInfoPage = QStringLiteral("no_gps_info.html");
const QString NoConnectionPage = QStringLiteral("no_connection.html");

} // namespace

QString UMapBridge::PageOf(qint32 PlayStatus)
{
    switch (PlayStatus) {
    case StartPage:
        return StartupPage;
    case OnlineMap:
        return OnlineMapPage;
    case NoGpsFile:
        return NoGpsFilePage;
    case NoGpsInfo:
        return NoGpsInfoPage;
    case NoConnection:
        return NoConnectionPage;
    default:
        return QString();
    }
}

std::optional<UMapStep> UMapBridge::Choose(int Index, int VideoCount, const QString &RatingWord)
{
    if (Index < 0 || Index >= VideoCount)
        return std::nullopt;

    // Whatever the map page still has to answer now belongs to an old choice.
    ++ChoiceSerial;

    UMapStep step;
    if (RatingWord == GpsfileAvailableWord) {
        step.TrackLoaded = false;
        step.PlayStatus = OnlineMap;
        step.AnnounceOnlineMap = true;
        step.FallbackTimer = UTimerAction::Start;
    } else {
        // A fallback timer left from an earlier choice of the online map would
        // later replace this page and start this recording again.
        step.FallbackTimer = UTimerAction::Stop;
        step.PlayStatus = RatingWord == GpsfileNotExistWord ? NoGpsFile : NoGpsInfo;
    }
    step.Page = PageOf(*step.PlayStatus);
    return step;
}

UMapStep UMapBridge::LoadReported(bool OK, qint32 PlayStatus, bool TrackLoaded)
{
    UMapStep step;
    // A failed load leaves the fallback timer running.
    if (!OK)
        return step;
    step.FallbackTimer = UTimerAction::Stop;

    switch (PlayStatus) {
    case OnlineMap:
        // The track is read and playback started once per choice.
        if (TrackLoaded)
            return step;
        step.AskOnline = true;
        return step;
    case NoGpsFile:
    case NoGpsInfo:
    case NoConnection:
        step.Play = true;
        step.TickTimer = UTimerAction::Start;
        return step;
    default:
        // The start page starts nothing.
        return step;
    }
}

UMapQuestion UMapBridge::Ask(int PlayingIndex) const
{
    return {ChoiceSerial, PlayingIndex};
}

bool UMapBridge::IsCurrent(const UMapQuestion &Question) const
{
    return Question.Serial == ChoiceSerial;
}

UMapStep UMapBridge::OnlineAnswered(const UMapQuestion &Question, bool Online, qint32 PlayStatus,
                                    bool TrackLoaded, int PlayingIndex, int VideoCount) const
{
    UMapStep step;
    // By the time the answer comes the user may have chosen again, the
    // fallback may have run, or another report may have started playback.
    if (!IsCurrent(Question) || PlayStatus != OnlineMap || TrackLoaded || PlayingIndex != Question.Index)
        return step;

    if (Online) {
        if (Question.Index < 0 || Question.Index >= VideoCount)
            return step;
        step.ReadTrack = true;
        step.TrackIndex = Question.Index;
        step.Play = true;
        step.TickTimer = UTimerAction::Start;
        step.TrackLoaded = true;
        return step;
    }
    step.TickTimer = UTimerAction::Stop;
    step.PlayStatus = NoConnection;
    step.Page = PageOf(NoConnection);
    return step;
}

UMapStep UMapBridge::FallbackTimedOut()
{
    UMapStep step;
    step.PlayStatus = NoConnection;
    step.Page = PageOf(NoConnection);
    return step;
}

void UMapBridge::DropPendingAnswers()
{
    ++ChoiceSerial;
}
