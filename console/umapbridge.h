#ifndef UMAPBRIDGE_H
#define UMAPBRIDGE_H

#include <QString>
#include <QtGlobal>

#include <optional>

// What a step does to one of the window's timers. Start restarts a running one.
enum class UTimerAction { Keep, Start, Stop };

// A question put to the map page. Its answer comes later, from the event
// loop, and belongs to one choice of one recording.
struct UMapQuestion
{
    quint64 Serial = 0;
    int Index = -1;
};

// What the window does after an event of the map page. It applies the fields
// in the order they are declared, a stop of the fallback timer first and a
// start of it after the page.
struct UMapStep
{
    UTimerAction FallbackTimer = UTimerAction::Keep;
    // Clear the GPS log reader and read the log of recording TrackIndex, then
    // show its route on the page.
    bool ReadTrack = false;
    int TrackIndex = -1;
    // Play the play list's current index.
    bool Play = false;
    UTimerAction TickTimer = UTimerAction::Keep;
    // New values of the window's PlayStatus and GpsTrackLoaded.
    std::optional<qint32> PlayStatus;
    std::optional<bool> TrackLoaded;
    // The map page to show (a file in images/ under the working directory); none when empty.
    QString Page;
    // The debug line that tells the online map was asked for.
    bool AnnounceOnlineMap = false;
    // The page's renderer does not answer (its script hangs): end its
    // process before showing Page, so that the page gets a new one.
    bool EndRenderer = false;
    // Send UMapScript::IsOnlineQuery() about the play list's current index
    // (UMapBridge::Ask()) and hand its answer to UMapBridge::OnlineAnswered().
    bool AskOnline = false;
};

// The map page bridge: choosing a recording shows the map page that suits its
// GPS log, and playback starts only once that page has loaded (and, for the
// online map, said that it is online). The window keeps the state that it
// shows (PlayStatus, GpsTrackLoaded) and hands it in; the bridge keeps the
// serial number of the choices, which tells the answers of earlier choices.
class UMapBridge
{
public:
    // The values of PlayStatus: which map page was last asked for.
    enum PlayStatusCode : qint32 {
        StartPage = 0,
        OnlineMap = 1,
        NoGpsFile = 2,
        NoGpsInfo = 3,
        NoConnection = 4,
    };

    // How long the online map may take to load before the no-connection page replaces it.
    static constexpr int FallbackIntervalMs = 7000;

    // The page file of a PlayStatus; empty for values outside 0 to 4.
    static QString PageOf(qint32 PlayStatus);

    // A recording chosen (a double-click, the previous or next button, the
    // end of the one before). Nothing when Index lies outside the catalogue;
    // otherwise the window stops the engine, moves the play list to Index,
    // then applies the step. Every answer owed to an earlier choice is stale
    // from now on.
    std::optional<UMapStep> Choose(int Index, int VideoCount, const QString &RatingWord);

    // The map view reported a load, successful or not. The fallback timer
    // stops there, except on the online map, where it keeps running until the
    // page has answered whether it is online. The no-connection page is an
    // offline map: the track of the play list's current recording
    // (PlayingIndex) is read for it once, as for the online map.
    static UMapStep LoadReported(bool OK, qint32 PlayStatus, bool TrackLoaded, int PlayingIndex, int VideoCount);

    // The question a step's AskOnline puts about the recording PlayingIndex,
    // on behalf of the current choice.
    UMapQuestion Ask(int PlayingIndex);

    // Whether the answer to Question still belongs to the current choice. The
    // window asks this before it reads anything of its own for the answer:
    // while it is being destroyed no answer does.
    bool IsCurrent(const UMapQuestion &Question) const;

    // The online map's answer to Question, with the window's state of now.
    UMapStep OnlineAnswered(const UMapQuestion &Question, bool Online, qint32 PlayStatus, bool TrackLoaded,
                            int PlayingIndex, int VideoCount);

    // The map page's renderer process has gone (crashed or killed): an
    // answer owed by the online map will never come.
    UMapStep RendererGone(qint32 PlayStatus, bool TrackLoaded);

    // The online map did not load (or answer) in time. The timer keeps
    // running: it fires again until a load report stops it. When the page
    // loaded but still owes its answer, its renderer is taken for hung.
    UMapStep FallbackTimedOut();

    // The window goes: no answer still owed belongs to anything.
    void DropPendingAnswers();

private:
    // Bumped by every choice of a recording; an answer that carries an older
    // number belongs to an earlier choice and is dropped.
    quint64 ChoiceSerial = 0;
    // A question of the current choice is out and its answer has not come.
    bool AnswerOwed = false;
};

#endif // UMAPBRIDGE_H
