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
    AnswerOwed = false;

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

UMapStep UMapBridge::LoadReported(bool OK, qint32 PlayStatus, bool TrackLoaded, int PlayingIndex, int VideoCount)
{
    UMapStep step;
    // A failed load leaves the fallback timer running.
    if (!OK)
        return step;

    switch (PlayStatus) {
    case OnlineMap:
        // The track is read and playback started once per choice.
        if (TrackLoaded) {
            step.FallbackTimer = UTimerAction::Stop;
            return step;
        }
        // The fallback keeps running until the page has answered: a page
        // whose script hangs, or whose renderer has died, never does.
        step.AskOnline = true;
        return step;
    case NoConnection:
        // The offline map draws the route and follows the car as the online
        // map does: without the track the needle and the position would stand
        // still while the video plays on. Read once per choice; a recording
        // no longer in the list plays without one.
        if (!TrackLoaded && PlayingIndex >= 0 && PlayingIndex < VideoCount) {
            step.ReadTrack = true;
            step.TrackIndex = PlayingIndex;
            step.TrackLoaded = true;
        }
        step.FallbackTimer = UTimerAction::Stop;
        step.Play = true;
        step.TickTimer = UTimerAction::Start;
        return step;
    case NoGpsFile:
    case NoGpsInfo:
        step.FallbackTimer = UTimerAction::Stop;
        step.Play = true;
        step.TickTimer = UTimerAction::Start;
        return step;
    default:
        // The start page starts nothing.
        step.FallbackTimer = UTimerAction::Stop;
        return step;
    }
}

UMapQuestion UMapBridge::Ask(int PlayingIndex)
{
    AnswerOwed = true;
    return {ChoiceSerial, PlayingIndex};
}

bool UMapBridge::IsCurrent(const UMapQuestion &Question) const
{
    return Question.Serial == ChoiceSerial;
}

UMapStep UMapBridge::OnlineAnswered(const UMapQuestion &Question, bool Online, qint32 PlayStatus,
                                    bool TrackLoaded, int PlayingIndex, int VideoCount)
{
    UMapStep step;
    if (IsCurrent(Question))
        AnswerOwed = false;
    // By the time the answer comes the user may have chosen again, the
    // fallback may have run, or another report may have started playback.
    if (!IsCurrent(Question) || PlayStatus != OnlineMap || TrackLoaded || PlayingIndex != Question.Index)
        return step;

    if (Online) {
        if (Question.Index < 0 || Question.Index >= VideoCount)
            return step;
        // The answer came: no fallback needed any more.
        step.FallbackTimer = UTimerAction::Stop;
        step.ReadTrack = true;
        step.TrackIndex = Question.Index;
        step.Play = true;
        step.TickTimer = UTimerAction::Start;
        step.TrackLoaded = true;
        return step;
    }
    step.FallbackTimer = UTimerAction::Stop;
    step.TickTimer = UTimerAction::Stop;
    step.PlayStatus = NoConnection;
    step.Page = PageOf(NoConnection);
    return step;
}

UMapStep UMapBridge::FallbackTimedOut()
{
    UMapStep step;
    // Loaded, asked, and silent for the whole interval: a renderer whose
    // script never returns would never show the next page either.
    step.EndRenderer = AnswerOwed;
    AnswerOwed = false;
    step.PlayStatus = NoConnection;
    step.Page = PageOf(NoConnection);
    return step;
}

UMapStep UMapBridge::RendererGone(qint32 PlayStatus, bool TrackLoaded)
{
    // Whatever was asked will never be answered; the next page gets a new
    // renderer of its own.
    AnswerOwed = false;
    // A question put to the online map will never be answered: the offline
    // way at once, as the fallback would take it later.
    if (PlayStatus == OnlineMap && !TrackLoaded)
        return FallbackTimedOut();
    return UMapStep();
}

void UMapBridge::DropPendingAnswers()
{
    ++ChoiceSerial;
    AnswerOwed = false;
}
