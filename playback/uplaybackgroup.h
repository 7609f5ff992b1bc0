#ifndef UPLAYBACKGROUP_H
#define UPLAYBACKGROUP_H

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

#include "playback/enginestate.h"
#include "playback/uplayerclock.h"

class QTimer;
class UVlcWrapper;
struct libvlc_media_player_t;
struct libvlc_media_t;

// One camera's file of the recording besides the front, and the native
// window its picture goes into.
struct UGroupCamera
{
    // Empty, or a file that is not there: the camera has no recording.
    QString Path;
    quintptr WindowId = 0;
};

// The players of one recording's cameras, on the wrapper's one engine: the
// front camera's is the wrapper's own; the others play without sound beside
// it. The group keeps what applies to all (speed, volume, mute, pause) across
// recordings, and keeps the others at the front's time: after every start,
// seek, speed change and pause every player is set to the same time before
// it plays on, and on every display tick each other camera's drift from the
// front is measured and mended (USyncDecision).
class UPlaybackGroup : public QObject, public UEngineState
{
    Q_OBJECT
public:
    // The most cameras played at once: the largest layout's tiles.
    static constexpr int MaxCameras = 6;
    // A player that does not fill its buffers within this after a seek
    // holds the others no longer.
    static constexpr int AlignTimeoutMs = 1500;
    // Others that do not play within this after the front are left as they are.
    static constexpr int StartTimeoutMs = 4000;

    explicit UPlaybackGroup(UVlcWrapper *Front, QObject *parent = nullptr);
    ~UPlaybackGroup() override;

    // The cameras besides the front of the recording that plays next, at
    // most MaxCameras - 1, in the order of their tiles; whatever the others
    // played stops. Empty: the front plays alone, exactly as without a group.
    void SetOtherCameras(const QList<UGroupCamera> &Cameras);
    int OtherCount() const;

    // The front has just been told to play: the others start beside it, and
    // once all play they are set to the front's time.
    void Start();
    // The others stop (the front is stopped by the wrapper's own slot).
    void Stop();

    // The front's engine state as the window is to see it: while the group
    // sets every player to one time it holds the front for a moment, which
    // is no pause of the user's.
    int GetState();

    // The play/pause button is about to toggle the front: the others follow.
    void PauseClicked();
    // Every camera to Milliseconds from the start (or Thousandths of the
    // front's length); false while nothing plays or is paused.
    bool SeekTo(qint64 Milliseconds);
    void SeekToPosition(int Thousandths);
    // One frame on (Frames > 0) or back, every camera; false unless paused.
    bool StepFrame(int Frames);

    // What applies to every player, kept across recordings. The volume and
    // mute are the front's (the others play without sound); they reach the
    // engine once its sound output is there.
    void SetRate(double Rate);
    double Rate() const { return PlaybackRate; }
    void SetVolume(int Volume);
    int Volume() const { return SoundVolume; }
    void SetMute(bool Mute);
    bool Muted() const { return SoundMuted; }

    // On every display tick: settings still to apply, the others' faces,
    // and each other camera's drift mended.
    void KeepInStep();

    // Whether the players are being set to one time (opening, seeking,
    // pausing): Settled follows.
    bool Settling() const;

    // Camera 0 is the front, 1 .. OtherCount() the others.
    UCameraFace Face(int Camera) const;
    // The camera's current picture as PNG at its own size; true once written.
    bool TakeSnapshot(int Camera, const QString &Path);
    // Pictures the camera's engine has shown and lost (too late to show)
    // since its recording started; false while it has none.
    bool PictureCounts(int Camera, int *Displayed, int *Lost);

signals:
    // A camera's face changed.
    void FacesChanged();
    // The players stand or play at one time again.
    void Settled();

private:
    struct Player;
    enum class Phase {
        Alone,    // no other camera, or stopped
        Starting, // the others open beside the front
        Aligning, // every player held and sought to one time
        Running,  // playing; drifts mended every tick
        Pausing,  // the user paused: waiting for every player to stand
        Paused,   // paused, every player at one frame
    };

    bool EngineReady();
    void StartOther(Player &Other);
    void StopOther(Player &Other);
    // Holds every player that can be held, seeks all to TimeMs and, once
    // all have their picture, lets them play when Resume.
    void Align(qint64 TimeMs, bool Resume);
    void FinishAlign();
    void Step();
    void MendDrifts();
    void UpdateFaces();
    // The front's time now: from its clock where it is steady, else its engine's.
    double FrontTimeMs(qint64 NowUs);
    // Where the front stopped after the user's pause: its clock ran on
    // until the pause was sent.
    double FrontPausedMs();
    double FrameMs();
    void ApplySound();
    void SetPlayerRate(Player &Other, int Nudge);
    QList<Player *> Live();

    UVlcWrapper *Front;
    UPlayerClock FrontClock;
    bool FrontClockAttached = false;
    std::vector<std::unique_ptr<Player>> Others;
    QTimer *StepTimer;
    Phase State = Phase::Alone;
    // When the current phase began (µs), and until when an align waits.
    qint64 PhaseSinceUs = 0;
    bool ResumeAfterAlign = false;
    // The align began with the players playing: held and sought at once.
    bool AlignFromPlaying = false;
    qint64 AlignTargetMs = 0;
    // Where the paused players stand.
    qint64 PausedAtMs = 0;
    quint64 FrontBufferedAtAlign = 0;
    // When every player first played after a start (µs; 0: not yet).
    qint64 FirstAllPlayingUs = 0;
    // When the user's pause was sent to the players, and since when they all
    // stand (µs; 0: not yet).
    qint64 PauseIssuedUs = 0;
    qint64 StoodSinceUs = 0;
    // A seek (ms; -1: none) and frame steps asked for before the players stood.
    qint64 PendingSeekMs = -1;
    int PendingFrames = 0;
    double PlaybackRate = 1.0;
    int SoundVolume = -1;
    bool SoundMuted = false;
    bool SoundPending = false;
    UCameraFace FrontFace = UCameraFace::Waiting;
};

#endif // UPLAYBACKGROUP_H
