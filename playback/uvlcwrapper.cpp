#include "uvlcwrapper.h"

#include "enginememory.h"

#include <QByteArrayList>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vlc/vlc.h>

#include <utility>
#include <vector>

namespace {

// No interface of the engine's own, no user configuration, plug-ins beside the program.
const QStringList kEngineArguments = {
    QStringLiteral("-I"),
    QStringLiteral("dummy"),
    QStringLiteral("--ignore-config"),
    QStringLiteral("--plugin-path=./plugins"),
};

// A snapshot is confirmed by the window; the engine's thumbnail and its own
// text with the file's path would cover the picture for seconds. (An option
// of each recording: the engine's start arguments stay the four above.)
const char *const NoSnapshotPreview = ":no-snapshot-preview";

// The position slider counts thousandths of the length.
constexpr float kPositionScale = 1000.0f;

// The only windowing platform whose windows the engine can draw into.
const QString X11Platform = QStringLiteral("xcb");

// What the accessors answer while there is no engine to ask.
constexpr int kNoVolume = -1;
constexpr qint64 kNoTime = -1;

const char *EngineError()
{
    const char *message = libvlc_errmsg();
    return message ? message : "no reason given";
}

static_assert(UVlcWrapper::StateIdle == int(libvlc_NothingSpecial) && UVlcWrapper::StateOpening == int(libvlc_Opening)
                  && UVlcWrapper::StateBuffering == int(libvlc_Buffering)
                  && UVlcWrapper::StatePlaying == int(libvlc_Playing) && UVlcWrapper::StatePaused == int(libvlc_Paused)
                  && UVlcWrapper::StateStopped == int(libvlc_Stopped) && UVlcWrapper::StateEnded == int(libvlc_Ended)
                  && UVlcWrapper::StateError == int(libvlc_Error),
              "the engine's state numbers are the ones the callers test");

} // namespace

UVlcWrapper::UVlcWrapper(QObject *parent)
    : UVlcWrapper(kEngineArguments, parent)
{
}

UVlcWrapper::UVlcWrapper(const QStringList &EngineArguments, QObject *parent)
    : QObject(parent)
    , StartArguments(EngineArguments)
{
}

void UVlcWrapper::StartEngineInBackground()
{
    if (EngineStarted)
        return;
    EngineStarted = true;
    // Loading the engine's plug-ins and probing its sound output take about
    // a tenth of a second of a processor.
    EngineStart = std::async(std::launch::async, &UVlcWrapper::StartEngine, StartArguments);
}

UVlcWrapper::EngineHandles UVlcWrapper::StartEngine(const QStringList &EngineArguments)
{
    QByteArrayList encoded;
    encoded.reserve(EngineArguments.size());
    for (const QString &argument : EngineArguments)
        encoded.append(argument.toUtf8());
    std::vector<const char *> argv;
    argv.reserve(encoded.size());
    for (const QByteArray &argument : std::as_const(encoded))
        argv.push_back(argument.constData());

    EngineHandles engine;
    engine.Instance = libvlc_new(int(argv.size()), argv.data());
    if (!engine.Instance) {
        // The engine's error text belongs to this thread: take it along.
        engine.Failure = QByteArray("the video engine did not start (") + EngineError() + ")";
        return engine;
    }
    engine.Player = libvlc_media_player_new(engine.Instance);
    if (!engine.Player) {
        engine.Failure = QByteArray("the video engine has no player (") + EngineError() + ")";
        // An instance without a player is of no use to anybody.
        libvlc_release(engine.Instance);
        engine.Instance = nullptr;
    }
    return engine;
}

bool UVlcWrapper::Engine()
{
    StartEngineInBackground();
    if (EngineStart.valid()) {
        EngineHandles engine = EngineStart.get();
        VlcInstance = engine.Instance;
        VlcPlayer = engine.Player;
        if (!VlcPlayer)
            qWarning("UVlcWrapper: %s; playback is disabled", engine.Failure.constData());
        else if (VideoWindowId != 0)
            ShowVideoIn(VideoWindowId);
    }
    return VlcPlayer != nullptr;
}

UVlcWrapper::~UVlcWrapper()
{
    // An engine never asked for is not started just to be stopped.
    if (EngineStarted && Engine()) {
        libvlc_media_player_stop(VlcPlayer);
        libvlc_media_player_release(VlcPlayer);
        VlcPlayer = nullptr;
    }
    // The player held its own reference; ours keeps GetState answering until here.
    if (VlcMedia) {
        libvlc_media_release(VlcMedia);
        VlcMedia = nullptr;
    }
    if (VlcInstance) {
        libvlc_release(VlcInstance);
        VlcInstance = nullptr;
    }
}

void UVlcWrapper::SetVideoWindow(quintptr WindowId, const QString &Platform)
{
    // Only an X11 window id means anything to the engine; any other handle would be
    // taken for a foreign X window and fail inside the engine's own threads.
    if (Platform != X11Platform) {
        // Without an X server the engine's own outputs fail one after the
        // other down to one that draws into the terminal (and may crash):
        // it then plays the sound and the times only.
        WithoutVideo = qEnvironmentVariableIsEmpty("DISPLAY");
        qWarning("UVlcWrapper: the video surface is not an X11 window (platform %s); %s",
                 qPrintable(Platform),
                 WithoutVideo ? "there is no X display either, so recordings play without their picture"
                              : "the engine keeps its own output");
        return;
    }
    if (WindowId == 0)
        return;
    VideoWindowId = WindowId;
    // Handed over once the engine is up.
    if (!EngineStart.valid() && VlcPlayer)
        ShowVideoIn(WindowId);
}

void UVlcWrapper::ShowVideoIn(quintptr WindowId)
{
    libvlc_media_player_set_xwindow(VlcPlayer, uint32_t(WindowId));
    // libvlc takes X11 mouse and key input over its video window unless told not to;
    // the surface needs its double-clicks.
    libvlc_video_set_mouse_input(VlcPlayer, 0);
    libvlc_video_set_key_input(VlcPlayer, 0);
}

int UVlcWrapper::GetState()
{
    // Before the first successful play there is no media to ask: that is idle.
    if (!VlcMedia)
        return StateIdle;
    return int(libvlc_media_get_state(VlcMedia));
}

qint64 UVlcWrapper::GetTime()
{
    return Engine() ? qint64(libvlc_media_player_get_time(VlcPlayer)) : kNoTime;
}

qint64 UVlcWrapper::GetLength()
{
    return Engine() ? qint64(libvlc_media_player_get_length(VlcPlayer)) : kNoTime;
}

int UVlcWrapper::GetVolume()
{
    return Engine() ? libvlc_audio_get_volume(VlcPlayer) : kNoVolume;
}

void UVlcWrapper::ToggleFullScreen()
{
    if (Engine())
        libvlc_toggle_fullscreen(VlcPlayer);
}

void UVlcWrapper::SetIndex(int Index)
{
    if (Index >= 0 && Index < PlayList.size())
        CurrentIndex = Index;
}

int UVlcWrapper::GetIndex()
{
    return CurrentIndex;
}

int UVlcWrapper::PlayAtIndex()
{
    if (CurrentIndex < 0 || CurrentIndex >= PlayList.size())
        return -1;
    if (!Engine())
        return -1;

    libvlc_media_t *media =
        libvlc_media_new_path(VlcInstance, PlayList.at(CurrentIndex).toUtf8().constData());
    if (!media) {
        // Whatever played before keeps playing and stays the media GetState reads.
        qWarning("UVlcWrapper: the engine refused the path %s (%s)",
                 qPrintable(PlayList.at(CurrentIndex)), EngineError());
        return -1;
    }
    if (WithoutVideo)
        libvlc_media_add_option(media, ":no-video");
    libvlc_media_add_option(media, NoSnapshotPreview);
    libvlc_media_player_set_media(VlcPlayer, media);
    // The player now holds its own reference to the new media and has dropped the old one.
    if (VlcMedia)
        libvlc_media_release(VlcMedia);
    VlcMedia = media;
    libvlc_media_player_play(VlcPlayer);
    return 0;
}

void UVlcWrapper::Pause()
{
    if (Engine())
        libvlc_media_player_pause(VlcPlayer);
}

void UVlcWrapper::Stop()
{
    // Nothing has played on an engine nobody has asked for yet.
    if (!EngineStarted || !Engine())
        return;
    libvlc_media_player_stop(VlcPlayer);
    // The recording's threads have ended and freed their buffers.
    EngineMemory::GiveBackFreed();
}

int UVlcWrapper::PlayNext()
{
    const int count = PlayList.size();
    if (count <= 0)
        return -1;
    if (CurrentIndex == count - 1) {
        CurrentIndex = 0;
    } else {
        const int candidate = CurrentIndex + 1;
        if (candidate >= 0 && candidate < count)
            CurrentIndex = candidate;
    }
    PlayAtIndex();
    return 0;
}

int UVlcWrapper::PlayPrevious()
{
    const int count = PlayList.size();
    if (count <= 0)
        return -1;
    if (CurrentIndex == 0) {
        CurrentIndex = count - 1;
    } else {
        const int candidate = CurrentIndex - 1;
        if (candidate >= 0 && candidate < count)
            CurrentIndex = candidate;
    }
    PlayAtIndex();
    return 0;
}

void UVlcWrapper::AddMedia(QString filepath)
{
    PlayList.append(QDir::toNativeSeparators(filepath));
}

int UVlcWrapper::RemoveMedia(int Index)
{
    if (Index < 0 || Index >= PlayList.size())
        return -1;
    PlayList.removeAt(Index);
    if (CurrentIndex >= Index)
        --CurrentIndex;
    return 0;
}

int UVlcWrapper::SetVolume(int volume)
{
    if (!Engine())
        return -1;
    return libvlc_audio_set_volume(VlcPlayer, volume) == 0 ? 0 : -1;
}

void UVlcWrapper::SetPosition(int pos)
{
    if (Engine())
        libvlc_media_player_set_position(VlcPlayer, pos / kPositionScale);
}

bool UVlcWrapper::SetTime(qint64 Milliseconds)
{
    if (!Engine() || !VlcMedia)
        return false;
    libvlc_media_player_set_time(VlcPlayer, libvlc_time_t(qMax<qint64>(Milliseconds, 0)));
    return true;
}

bool UVlcWrapper::SetRate(double Rate)
{
    return Engine() && libvlc_media_player_set_rate(VlcPlayer, float(Rate)) == 0;
}

double UVlcWrapper::GetRate()
{
    return Engine() ? double(libvlc_media_player_get_rate(VlcPlayer)) : 1.0;
}

bool UVlcWrapper::SetMute(bool Mute)
{
    if (!Engine())
        return false;
    libvlc_audio_set_mute(VlcPlayer, Mute ? 1 : 0);
    return true;
}

int UVlcWrapper::GetMute()
{
    return Engine() ? libvlc_audio_get_mute(VlcPlayer) : -1;
}

bool UVlcWrapper::NextFrame()
{
    if (!Engine() || !VlcMedia)
        return false;
    libvlc_media_player_next_frame(VlcPlayer);
    return true;
}

bool UVlcWrapper::GetFrameRate(unsigned *Num, unsigned *Den)
{
    if (!Engine() || !VlcMedia)
        return false;
    libvlc_media_track_t **tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(VlcMedia, &tracks);
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) {
        const libvlc_media_track_t *track = tracks[i];
        if (track->i_type == libvlc_track_video && track->video && track->video->i_frame_rate_num > 0
            && track->video->i_frame_rate_den > 0) {
            *Num = track->video->i_frame_rate_num;
            *Den = track->video->i_frame_rate_den;
            found = true;
        }
    }
    if (tracks)
        libvlc_media_tracks_release(tracks, count);
    return found;
}

bool UVlcWrapper::TakeSnapshot(const QString &Path)
{
    if (!Engine() || !VlcMedia || WithoutVideo)
        return false;
    // Width and height 0: the video's own size. The engine writes the file
    // before it returns, or fails.
    if (libvlc_video_take_snapshot(VlcPlayer, 0, QFile::encodeName(Path).constData(), 0, 0) != 0)
        return false;
    return QFileInfo(Path).isFile();
}
