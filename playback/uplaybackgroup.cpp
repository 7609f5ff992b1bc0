#include "uplaybackgroup.h"

#include "uvlcwrapper.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <vlc/vlc.h>

#include <cmath>
#include <utility>

namespace {

// While the players open, seek or pause, the group looks at them this often.
constexpr int StepIntervalMs = 20;
// After all play, the front's clock has this long to become steady before
// the others are set to whatever time its engine reports.
constexpr qint64 SteadyWaitUs = 1000 * 1000;
// A pause is served within this, or the group sets the times regardless.
constexpr qint64 PauseWaitUs = 1000 * 1000;
// A player sought too soon after it reports its pause keeps the picture it
// stopped at (its video output pauses after its input): the players stand
// this long before they are sought.
constexpr qint64 PauseSettleUs = 200 * 1000;
// Assumed when the front's engine does not tell its frame rate (the
// recorders' usual 25 frames a second).
constexpr double DefaultFrameMs = 40.0;
constexpr qint64 UsPerMs = 1000;

// The other cameras play without sound; their pictures are confirmed by the
// window, not by the engine's own preview and text over them.
const char *const NoSound = ":no-audio";
const char *const NoSnapshotPreview = ":no-snapshot-preview";
const char *const NoVideo = ":no-video";

bool CanHold(libvlc_media_player_t *Player)
{
    // Pausing a player whose input cannot pause stops it instead.
    return Player && libvlc_media_player_can_pause(Player) != 0;
}

bool Runs(libvlc_state_t State)
{
    return State == libvlc_Playing || State == libvlc_Paused || State == libvlc_Buffering;
}

} // namespace

struct UPlaybackGroup::Player
{
    UGroupCamera Camera;
    // Kept from one recording to the next: a new player probes the sound
    // output again.
    libvlc_media_player_t *Handle = nullptr;
    libvlc_media_t *Media = nullptr;
    UPlayerClock Clock;
    UCameraFace Face = UCameraFace::Waiting;
    bool Started = false;
    qint64 LengthMs = 0;
    // -1 slower, +1 faster, 0 the group's rate.
    int Nudge = 0;
    bool InAlign = false;
    quint64 BufferedAtAlign = 0;

    ~Player()
    {
        Clock.Detach();
        if (Handle) {
            libvlc_media_player_stop(Handle);
            libvlc_media_player_release(Handle);
        }
        if (Media)
            libvlc_media_release(Media);
    }
};

UPlaybackGroup::UPlaybackGroup(UVlcWrapper *Front, QObject *parent)
    : QObject(parent)
    , Front(Front)
    , StepTimer(new QTimer(this))
{
    StepTimer->setInterval(StepIntervalMs);
    StepTimer->setTimerType(Qt::PreciseTimer);
    connect(StepTimer, &QTimer::timeout, this, &UPlaybackGroup::Step);
}

UPlaybackGroup::~UPlaybackGroup()
{
    // Every other player lets go of its window before the window goes; the
    // front's player is the wrapper's and outlives the group.
    Others.clear();
    FrontClock.Detach();
}

bool UPlaybackGroup::EngineReady()
{
    if (!Front->Engine())
        return false;
    if (!FrontClockAttached) {
        FrontClock.Attach(Front->VlcPlayer);
        FrontClockAttached = true;
    }
    return true;
}

void UPlaybackGroup::SetOtherCameras(const QList<UGroupCamera> &Cameras)
{
    for (const std::unique_ptr<Player> &other : Others)
        StopOther(*other);
    const int count = qMin(int(Cameras.size()), MaxCameras - 1);
    // Players of cameras beyond the new count are dropped; the rest are reused.
    while (int(Others.size()) > count)
        Others.pop_back();
    while (int(Others.size()) < count)
        Others.push_back(std::make_unique<Player>());
    for (int i = 0; i < count; ++i) {
        Others[size_t(i)]->Camera = Cameras.at(i);
        Others[size_t(i)]->Face = UCameraFace::Waiting;
        Others[size_t(i)]->LengthMs = 0;
    }
    StepTimer->stop();
    State = Phase::Alone;
    FrontFace = UCameraFace::Waiting;
    emit FacesChanged();
}

int UPlaybackGroup::OtherCount() const
{
    return int(Others.size());
}

void UPlaybackGroup::Start()
{
    SoundPending = true;
    if (!EngineReady())
        return;
    FrontClock.Forget();
    FrontFace = UCameraFace::Waiting;
    FirstAllPlayingUs = 0;
    if (Others.empty())
        return;
    for (const std::unique_ptr<Player> &other : Others)
        StartOther(*other);
    State = Phase::Starting;
    PhaseSinceUs = UPlayerClock::NowUs();
    StepTimer->start();
    emit FacesChanged();
}

void UPlaybackGroup::StartOther(Player &Other)
{
    Other.Started = false;
    Other.Nudge = 0;
    Other.InAlign = false;
    const QString &path = Other.Camera.Path;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        Other.Face = UCameraFace::NoRecording;
        return;
    }
    libvlc_media_t *media = libvlc_media_new_path(Front->VlcInstance, QFile::encodeName(path).constData());
    if (!media) {
        Other.Face = UCameraFace::CannotPlay;
        return;
    }
    libvlc_media_add_option(media, NoSound);
    libvlc_media_add_option(media, NoSnapshotPreview);
    if (Front->WithoutVideo)
        libvlc_media_add_option(media, NoVideo);
    if (!Other.Handle) {
        Other.Handle = libvlc_media_player_new(Front->VlcInstance);
        if (!Other.Handle) {
            libvlc_media_release(media);
            Other.Face = UCameraFace::CannotPlay;
            return;
        }
        // As for the front: the tiles need their clicks and double-clicks.
        libvlc_video_set_mouse_input(Other.Handle, 0);
        libvlc_video_set_key_input(Other.Handle, 0);
        Other.Clock.Attach(Other.Handle);
    }
    if (Other.Camera.WindowId != 0 && !Front->WithoutVideo)
        libvlc_media_player_set_xwindow(Other.Handle, uint32_t(Other.Camera.WindowId));
    libvlc_media_player_set_media(Other.Handle, media);
    if (Other.Media)
        libvlc_media_release(Other.Media);
    Other.Media = media;
    Other.Clock.Forget();
    Other.LengthMs = 0;
    libvlc_media_player_set_rate(Other.Handle, float(PlaybackRate));
    libvlc_media_player_play(Other.Handle);
    Other.Started = true;
    Other.Face = UCameraFace::Waiting;
}

void UPlaybackGroup::StopOther(Player &Other)
{
    if (Other.Handle && Other.Started)
        libvlc_media_player_stop(Other.Handle);
    Other.Started = false;
    Other.Nudge = 0;
    Other.InAlign = false;
}

void UPlaybackGroup::Stop()
{
    StepTimer->stop();
    for (const std::unique_ptr<Player> &other : Others)
        StopOther(*other);
    const bool settling = Settling();
    State = Phase::Alone;
    if (settling)
        emit Settled();
}

int UPlaybackGroup::GetState()
{
    const int state = Front->GetState();
    if (State == Phase::Aligning && ResumeAfterAlign && (state == StatePaused || state == StateBuffering))
        return StatePlaying;
    return state;
}

QList<UPlaybackGroup::Player *> UPlaybackGroup::Live()
{
    QList<Player *> live;
    for (const std::unique_ptr<Player> &other : Others) {
        if (other->Started && Runs(libvlc_media_player_get_state(other->Handle)))
            live << other.get();
    }
    return live;
}

double UPlaybackGroup::FrameMs()
{
    unsigned num = 0;
    unsigned den = 0;
    if (Front->GetFrameRate(&num, &den) && num > 0 && den > 0)
        return 1000.0 * double(den) / double(num);
    return DefaultFrameMs;
}

double UPlaybackGroup::FrontTimeMs(qint64 NowUs)
{
    UClockReading before;
    UClockReading last;
    FrontClock.Readings(&before, &last);
    if (const std::optional<double> estimate = USyncDecision::EstimateMs(before, last, PlaybackRate, NowUs))
        return *estimate;
    return double(qMax<qint64>(Front->GetTime(), 0));
}

double UPlaybackGroup::FrontPausedMs()
{
    UClockReading before;
    UClockReading last;
    FrontClock.Readings(&before, &last);
    if (const std::optional<double> stopped = USyncDecision::EstimateMs(before, last, PlaybackRate, PauseIssuedUs))
        return *stopped;
    return double(qMax<qint64>(Front->GetTime(), 0));
}

void UPlaybackGroup::Align(qint64 TimeMs, bool Resume)
{
    if (!EngineReady())
        return;
    const qint64 target = qMax<qint64>(TimeMs, 0);
    // The front first: its sound stops with its picture.
    libvlc_media_player_t *front = Front->VlcPlayer;
    // Held by an align not finished yet, the front counts as it was before it.
    AlignFromPlaying = (State == Phase::Aligning && AlignFromPlaying)
        || libvlc_media_player_get_state(front) != libvlc_Paused;
    if (CanHold(front))
        libvlc_media_player_set_pause(front, 1);
    FrontClock.Forget();
    FrontBufferedAtAlign = FrontClock.BufferedCount();
    libvlc_media_player_set_time(front, libvlc_time_t(target));
    for (Player *other : Live()) {
        if (CanHold(other->Handle))
            libvlc_media_player_set_pause(other->Handle, 1);
        other->Clock.Forget();
        other->BufferedAtAlign = other->Clock.BufferedCount();
        other->InAlign = true;
        if (other->Nudge != 0)
            SetPlayerRate(*other, 0);
        libvlc_media_player_set_time(other->Handle, libvlc_time_t(target));
    }
    AlignTargetMs = target;
    ResumeAfterAlign = Resume;
    State = Phase::Aligning;
    PhaseSinceUs = UPlayerClock::NowUs();
    StepTimer->start();
}

void UPlaybackGroup::FinishAlign()
{
    QList<libvlc_media_player_t *> held;
    for (const std::unique_ptr<Player> &other : Others) {
        if (other->InAlign)
            held << other->Handle;
        other->InAlign = false;
    }
    PausedAtMs = AlignTargetMs;
    if (!ResumeAfterAlign && AlignFromPlaying) {
        // Held and sought at once, a player keeps the picture it stopped at
        // (the user paused while the players were set to one time): they are
        // sought again once they stand.
        PendingSeekMs = AlignTargetMs;
        PendingFrames = 0;
        State = Phase::Pausing;
        PhaseSinceUs = UPlayerClock::NowUs();
        StoodSinceUs = 0;
        return;
    }
    if (!ResumeAfterAlign) {
        State = Phase::Paused;
        StepTimer->stop();
        emit Settled();
        return;
    }
    // All at once, the front first: each engine's clock starts again from
    // the same picture at the same moment.
    libvlc_media_player_set_pause(Front->VlcPlayer, 0);
    for (libvlc_media_player_t *player : std::as_const(held))
        libvlc_media_player_set_pause(player, 0);
    FrontClock.Forget();
    for (const std::unique_ptr<Player> &other : Others)
        other->Clock.Forget();
    State = Phase::Running;
    StepTimer->stop();
    emit Settled();
}

bool UPlaybackGroup::Settling() const
{
    return State == Phase::Starting || State == Phase::Aligning || State == Phase::Pausing;
}

void UPlaybackGroup::Step()
{
    const qint64 now = UPlayerClock::NowUs();
    const qint64 since = now - PhaseSinceUs;
    switch (State) {
    case Phase::Starting: {
        const libvlc_state_t front = libvlc_media_player_get_state(Front->VlcPlayer);
        if (front == libvlc_Ended || front == libvlc_Error) {
            Stop();
            return;
        }
        const bool timedOut = since > qint64(StartTimeoutMs) * UsPerMs;
        if (front != libvlc_Playing) {
            if (timedOut) {
                // The tick takes over from here.
                State = Phase::Running;
                StepTimer->stop();
                emit Settled();
            }
            return;
        }
        bool othersSettled = true;
        for (const std::unique_ptr<Player> &other : Others) {
            if (!other->Started)
                continue;
            const libvlc_state_t state = libvlc_media_player_get_state(other->Handle);
            if (state == libvlc_Opening || state == libvlc_Buffering || state == libvlc_NothingSpecial)
                othersSettled = false;
        }
        if (!othersSettled && !timedOut)
            return;
        UpdateFaces();
        if (Live().isEmpty()) {
            State = Phase::Running;
            StepTimer->stop();
            emit Settled();
            return;
        }
        // The front's clock gets a moment to become steady once all play,
        // so that the time they are set to is the one it shows.
        UClockReading before;
        UClockReading last;
        FrontClock.Readings(&before, &last);
        if (!USyncDecision::EstimateMs(before, last, PlaybackRate, now)) {
            if (FirstAllPlayingUs == 0)
                FirstAllPlayingUs = now;
            if (now - FirstAllPlayingUs < SteadyWaitUs)
                return;
        }
        FirstAllPlayingUs = 0;
        Align(USyncDecision::FrameMiddle(FrontTimeMs(now), FrameMs()), true);
        return;
    }
    case Phase::Aligning: {
        bool ready = FrontClock.BufferedCount() > FrontBufferedAtAlign
            || !Runs(libvlc_media_player_get_state(Front->VlcPlayer));
        for (const std::unique_ptr<Player> &other : Others) {
            if (!other->InAlign)
                continue;
            const libvlc_state_t state = libvlc_media_player_get_state(other->Handle);
            if (other->Clock.BufferedCount() <= other->BufferedAtAlign && Runs(state))
                ready = false;
        }
        if (ready || since > qint64(AlignTimeoutMs) * UsPerMs)
            FinishAlign();
        return;
    }
    case Phase::Pausing: {
        bool standing = libvlc_media_player_get_state(Front->VlcPlayer) != libvlc_Playing;
        for (Player *other : Live()) {
            if (libvlc_media_player_get_state(other->Handle) == libvlc_Playing)
                standing = false;
        }
        if (!standing) {
            StoodSinceUs = 0;
            if (since < PauseWaitUs)
                return;
        } else if (StoodSinceUs == 0) {
            StoodSinceUs = now;
        }
        if (standing && now - StoodSinceUs < PauseSettleUs)
            return;
        StoodSinceUs = 0;
        // Where the front stopped, or where a seek or frame steps asked for
        // in the meantime lead.
        const double frame = FrameMs();
        const double time = (PendingSeekMs >= 0 ? double(PendingSeekMs) : FrontPausedMs()) + PendingFrames * frame;
        PendingSeekMs = -1;
        PendingFrames = 0;
        Align(USyncDecision::FrameMiddle(qMax(time, 0.0), frame), false);
        return;
    }
    case Phase::Alone:
    case Phase::Running:
    case Phase::Paused:
        StepTimer->stop();
        return;
    }
}

void UPlaybackGroup::PauseClicked()
{
    if (Others.empty() || !EngineReady())
        return;
    const libvlc_state_t front = libvlc_media_player_get_state(Front->VlcPlayer);
    const bool paused = State == Phase::Pausing || State == Phase::Paused
        || (State == Phase::Aligning && !ResumeAfterAlign)
        || ((State == Phase::Running || State == Phase::Starting) && front == libvlc_Paused);
    // The front toggles itself right after this (its own slot); what the group
    // wants of it is made sure of once that has run.
    if (!paused) {
        for (Player *other : Live()) {
            if (CanHold(other->Handle))
                libvlc_media_player_set_pause(other->Handle, 1);
        }
        if (State == Phase::Aligning) {
            ResumeAfterAlign = false;
        } else {
            State = Phase::Pausing;
            PhaseSinceUs = UPlayerClock::NowUs();
            PauseIssuedUs = PhaseSinceUs;
            StoodSinceUs = 0;
            PendingSeekMs = -1;
            PendingFrames = 0;
            StepTimer->start();
        }
        QTimer::singleShot(0, this, [this] {
            if (CanHold(Front->VlcPlayer))
                libvlc_media_player_set_pause(Front->VlcPlayer, 1);
        });
        return;
    }
    if (State == Phase::Aligning) {
        // Held by the align until every player has its picture.
        ResumeAfterAlign = true;
        QTimer::singleShot(0, this, [this] {
            if (State == Phase::Aligning && CanHold(Front->VlcPlayer))
                libvlc_media_player_set_pause(Front->VlcPlayer, 1);
        });
        return;
    }
    if (State == Phase::Paused) {
        QTimer::singleShot(0, this, [this] {
            libvlc_media_player_set_pause(Front->VlcPlayer, 0);
            for (Player *other : Live())
                libvlc_media_player_set_pause(other->Handle, 0);
            FrontClock.Forget();
            for (const std::unique_ptr<Player> &other : Others)
                other->Clock.Forget();
            State = Phase::Running;
        });
        return;
    }
    // Paused but not yet at one frame: set them there, then play.
    const double frame = FrameMs();
    const double stopped = (PendingSeekMs >= 0 ? double(PendingSeekMs) : FrontPausedMs()) + PendingFrames * frame;
    PendingSeekMs = -1;
    PendingFrames = 0;
    const qint64 time = USyncDecision::FrameMiddle(qMax(stopped, 0.0), frame);
    QTimer::singleShot(0, this, [this, time] { Align(time, true); });
}

bool UPlaybackGroup::SeekTo(qint64 Milliseconds)
{
    if (Others.empty())
        return Front->SetTime(Milliseconds);
    if (!EngineReady() || !Front->VlcMedia)
        return false;
    const qint64 length = Front->GetLength();
    qint64 target = qMax<qint64>(Milliseconds, 0);
    if (length > 0)
        target = qMin(target, length);
    target = USyncDecision::FrameMiddle(double(target), FrameMs());
    // A camera whose file ended before the front's plays again when the
    // front goes back to where it has pictures; it is set to the front's
    // time once it plays.
    for (const std::unique_ptr<Player> &other : Others) {
        if (!other->Started || other->LengthMs <= target)
            continue;
        const libvlc_state_t state = libvlc_media_player_get_state(other->Handle);
        if (state == libvlc_Ended || state == libvlc_Stopped) {
            StartOther(*other);
            emit FacesChanged();
        }
    }
    if (State == Phase::Pausing) {
        // Taken once every player stands: sought sooner, a player keeps the
        // picture it stopped at.
        PendingSeekMs = target;
        PendingFrames = 0;
        return true;
    }
    // Paused as the user sees it: a front held by an align that lets the
    // players go afterwards is playing.
    bool paused = State == Phase::Paused;
    if (State == Phase::Aligning)
        paused = !ResumeAfterAlign;
    else if (State != Phase::Paused)
        paused = libvlc_media_player_get_state(Front->VlcPlayer) == libvlc_Paused;
    Align(target, !paused);
    return true;
}

void UPlaybackGroup::SeekToPosition(int Thousandths)
{
    // The front has been moved by its own slot already.
    if (Others.empty() || !EngineReady())
        return;
    const qint64 length = Front->GetLength();
    if (length <= 0)
        return;
    SeekTo(qint64(double(length) * double(Thousandths) / 1000.0));
}

bool UPlaybackGroup::StepFrame(int Frames)
{
    if (Others.empty() || !EngineReady() || !Front->VlcMedia)
        return false;
    if (GetState() != StatePaused)
        return false;
    const double frame = FrameMs();
    if (State == Phase::Pausing) {
        // Taken once every player stands.
        PendingFrames += Frames > 0 ? 1 : -1;
        return true;
    }
    // Every player is sought to the frame wanted: a paused engine's own step
    // to the next frame is not always taken, and a camera that missed one
    // would show another frame from then on.
    double from = double(PausedAtMs);
    if (State == Phase::Aligning)
        from = double(AlignTargetMs);
    else if (State != Phase::Paused)
        from = FrontPausedMs();
    const double target = from + (Frames > 0 ? frame : -frame);
    Align(USyncDecision::FrameMiddle(qMax(target, 0.0), frame), false);
    return true;
}

void UPlaybackGroup::SetPlayerRate(Player &Other, int Nudge)
{
    Other.Nudge = Nudge;
    const double rate = PlaybackRate * (1.0 + Nudge * USyncDecision::NudgeShare);
    libvlc_media_player_set_rate(Other.Handle, float(rate));
    // Readings across the change would not agree with either rate.
    Other.Clock.Forget();
}

void UPlaybackGroup::SetRate(double Rate)
{
    PlaybackRate = Rate;
    // An engine not started yet is not started for a setting: it takes it
    // with its first recording.
    if (!Front->EngineStarted) {
        SoundPending = true;
        return;
    }
    Front->SetRate(Rate);
    if (Others.empty())
        return;
    for (const std::unique_ptr<Player> &other : Others) {
        if (other->Started)
            SetPlayerRate(*other, 0);
    }
    FrontClock.Forget();
    if (State == Phase::Running && libvlc_media_player_get_state(Front->VlcPlayer) == libvlc_Playing)
        Align(USyncDecision::FrameMiddle(FrontTimeMs(UPlayerClock::NowUs()), FrameMs()), true);
}

void UPlaybackGroup::SetVolume(int Volume)
{
    SoundVolume = Volume;
    if (!Front->EngineStarted || Front->SetVolume(Volume) != 0)
        SoundPending = true;
}

void UPlaybackGroup::SetMute(bool Mute)
{
    SoundMuted = Mute;
    if (!Front->EngineStarted || !Front->SetMute(Mute) || Front->GetMute() < 0)
        SoundPending = true;
}

void UPlaybackGroup::ApplySound()
{
    // The engine's sound output comes with each recording; it takes the
    // settings once it is there.
    if (!SoundPending || Front->GetState() != StatePlaying)
        return;
    bool applied = true;
    if (SoundVolume >= 0 && Front->GetVolume() != SoundVolume)
        applied = Front->SetVolume(SoundVolume) == 0;
    const int mute = Front->GetMute();
    if (mute < 0)
        applied = false;
    else if ((mute != 0) != SoundMuted)
        applied = Front->SetMute(SoundMuted) && applied;
    if (std::abs(Front->GetRate() - PlaybackRate) > 1e-3)
        Front->SetRate(PlaybackRate);
    SoundPending = !applied;
}

void UPlaybackGroup::KeepInStep()
{
    if (!Front->EngineStarted || !EngineReady())
        return;
    ApplySound();
    if (Others.empty())
        return;
    UpdateFaces();
    const libvlc_state_t front = libvlc_media_player_get_state(Front->VlcPlayer);
    if (State == Phase::Alone)
        return;
    if (front == libvlc_Ended || front == libvlc_Error || (front == libvlc_Stopped && State != Phase::Starting)) {
        // The end of the front's recording ends the recording.
        Stop();
        return;
    }
    if (State == Phase::Running) {
        if (front == libvlc_Paused) {
            // Paused by anything else than the group: the others follow.
            for (Player *other : Live()) {
                if (CanHold(other->Handle))
                    libvlc_media_player_set_pause(other->Handle, 1);
            }
            State = Phase::Pausing;
            PhaseSinceUs = UPlayerClock::NowUs();
            PauseIssuedUs = PhaseSinceUs;
            StoodSinceUs = 0;
            PendingSeekMs = -1;
            PendingFrames = 0;
            StepTimer->start();
            return;
        }
        if (front == libvlc_Playing)
            MendDrifts();
        return;
    }
    if (State != Phase::Paused)
        return;
    if (front == libvlc_Playing) {
        // Played on by anything else than the group: the others follow.
        Align(USyncDecision::FrameMiddle(FrontTimeMs(UPlayerClock::NowUs()), FrameMs()), true);
        return;
    }
    // A camera that only began to play once the others stood still stands
    // at their frame too.
    for (Player *other : Live()) {
        if (libvlc_media_player_get_state(other->Handle) == libvlc_Playing) {
            Align(PausedAtMs, false);
            return;
        }
    }
}

void UPlaybackGroup::MendDrifts()
{
    const qint64 now = UPlayerClock::NowUs();
    UClockReading before;
    UClockReading last;
    FrontClock.Readings(&before, &last);
    const std::optional<double> master = USyncDecision::EstimateMs(before, last, PlaybackRate, now);
    if (!master)
        return;
    for (Player *other : Live()) {
        const libvlc_state_t state = libvlc_media_player_get_state(other->Handle);
        if (state == libvlc_Paused) {
            // Held by nothing the group knows of: set it to the front's time.
            Align(USyncDecision::FrameMiddle(*master, FrameMs()), true);
            return;
        }
        if (state != libvlc_Playing)
            continue;
        other->Clock.Readings(&before, &last);
        const double rate = PlaybackRate * (1.0 + other->Nudge * USyncDecision::NudgeShare);
        const std::optional<double> time = USyncDecision::EstimateMs(before, last, rate, now);
        if (!time)
            continue;
        // A camera whose file is shorter has no picture of the front's time
        // past its end: that is no drift to mend.
        if (other->LengthMs > 0 && *master >= double(other->LengthMs))
            continue;
        const USyncAction action = USyncDecision::Decide(*time - *master, other->Nudge);
        switch (action.What) {
        case USyncAction::Keep:
            break;
        case USyncAction::Nudge:
            SetPlayerRate(*other, action.Direction);
            break;
        case USyncAction::EndNudge:
            SetPlayerRate(*other, 0);
            break;
        case USyncAction::SetToMaster:
            Align(USyncDecision::FrameMiddle(*master, FrameMs()), true);
            return;
        }
    }
}

void UPlaybackGroup::UpdateFaces()
{
    bool changed = false;
    auto set = [&changed](UCameraFace &Face, UCameraFace Now) {
        if (Face != Now) {
            Face = Now;
            changed = true;
        }
    };
    for (const std::unique_ptr<Player> &other : Others) {
        if (!other->Started)
            continue;
        const qint64 length = qint64(libvlc_media_player_get_length(other->Handle));
        if (length > 0)
            other->LengthMs = length;
        switch (libvlc_media_player_get_state(other->Handle)) {
        case libvlc_Error:
            set(other->Face, UCameraFace::CannotPlay);
            break;
        case libvlc_Ended:
            // A file the engine found nothing to play in ends at once.
            set(other->Face, other->LengthMs > 0 ? UCameraFace::NoRecording : UCameraFace::CannotPlay);
            break;
        case libvlc_Playing:
        case libvlc_Paused:
            set(other->Face, UCameraFace::Playing);
            break;
        default:
            break;
        }
    }
    switch (Front->GetState()) {
    case StateError:
        set(FrontFace, UCameraFace::CannotPlay);
        break;
    case StatePlaying:
    case StatePaused:
        set(FrontFace, UCameraFace::Playing);
        break;
    default:
        break;
    }
    if (changed)
        emit FacesChanged();
}

UCameraFace UPlaybackGroup::Face(int Camera) const
{
    if (Camera == 0)
        return FrontFace;
    if (Camera < 0 || Camera > int(Others.size()))
        return UCameraFace::Waiting;
    return Others[size_t(Camera - 1)]->Face;
}

bool UPlaybackGroup::TakeSnapshot(int Camera, const QString &Path)
{
    if (Camera == 0)
        return Front->TakeSnapshot(Path);
    if (Camera < 0 || Camera > int(Others.size()) || Front->WithoutVideo)
        return false;
    const Player &other = *Others[size_t(Camera - 1)];
    if (!other.Started || other.Face != UCameraFace::Playing)
        return false;
    // Width and height 0: the camera's own size. Written before the call returns, or not at all.
    if (libvlc_video_take_snapshot(other.Handle, 0, QFile::encodeName(Path).constData(), 0, 0) != 0)
        return false;
    return QFileInfo(Path).isFile();
}

bool UPlaybackGroup::PictureCounts(int Camera, int *Displayed, int *Lost)
{
    libvlc_media_t *media = nullptr;
    if (Camera == 0)
        media = Front->VlcMedia;
    else if (Camera > 0 && Camera <= int(Others.size()) && Others[size_t(Camera - 1)]->Started)
        media = Others[size_t(Camera - 1)]->Media;
    libvlc_media_stats_t stats;
    if (!media || !libvlc_media_get_stats(media, &stats))
        return false;
    *Displayed = stats.i_displayed_pictures;
    *Lost = stats.i_lost_pictures;
    return true;
}
