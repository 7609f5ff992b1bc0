#ifndef UVLCWRAPPER_H
#define UVLCWRAPPER_H

#include <QObject>
#include <QString>
#include <QStringList>

#include <future>

#include "playback/enginestate.h"

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;

// The program's only contact with libvlc: one engine, one player, and the
// play list of video paths with its current index.
class UVlcWrapper : public QObject, public UEngineState
{
    Q_OBJECT
public:
    explicit UVlcWrapper(QObject *parent = nullptr);
    ~UVlcWrapper() override;

    // Starts loading the engine on a worker thread, once; the window calls it
    // when it has been painted, so that the engine's plug-ins do not compete
    // with its start for the processor. Anything that needs the engine before
    // then starts it and waits.
    void StartEngineInBackground();
    // The native window the engine draws into, and the windowing platform it
    // belongs to ("xcb" is the only one the engine can draw into).
    void SetVideoWindow(quintptr WindowId, const QString &Platform);
    int GetState();
    qint64 GetTime();
    qint64 GetLength();
    int GetVolume();
    void ToggleFullScreen();
    // Moves the playing or paused recording to Milliseconds from its start
    // (negative: the start); it goes on playing or stays paused. False, and
    // nothing, while no recording was ever played.
    bool SetTime(qint64 Milliseconds);
    // Playback speed, 1.0 the recorded one; the engine keeps it for the
    // recordings that follow.
    bool SetRate(double Rate);
    double GetRate();
    bool SetMute(bool Mute);
    // -1 while the engine has no sound output to ask.
    int GetMute();
    // One frame on, while paused.
    bool NextFrame();
    // The current video's frame rate as a fraction; false when unknown.
    bool GetFrameRate(unsigned *Num, unsigned *Den);
    // Writes the current picture, at the video's own size, as PNG to Path;
    // true once the file is there.
    bool TakeSnapshot(const QString &Path);

public slots:
    void SetIndex(int Index);
    int GetIndex();
    int PlayAtIndex();
    void Pause();
    void Stop();
    int PlayNext();
    int PlayPrevious();
    void AddMedia(QString filepath);
    int RemoveMedia(int Index);
    int SetVolume(int volume);
    void SetPosition(int pos);

protected:
    // The other cameras' players run on this engine, beside its player.
    friend class UPlaybackGroup;

    // Starts the engine with other arguments than the program's own; lets tests
    // see how the wrapper behaves when the engine refuses to start.
    UVlcWrapper(const QStringList &EngineArguments, QObject *parent);

private:
    struct EngineHandles
    {
        libvlc_instance_t *Instance = nullptr;
        libvlc_media_player_t *Player = nullptr;
        QByteArray Failure;
    };
    static EngineHandles StartEngine(const QStringList &EngineArguments);
    // Waits for the engine's start (starting it if nobody has), once; true
    // while there is a player.
    bool Engine();
    void ShowVideoIn(quintptr WindowId);

    QStringList StartArguments;
    bool EngineStarted = false;
    // The engine starts on a worker thread once the window is up.
    std::future<EngineHandles> EngineStart;
    quintptr VideoWindowId = 0;
    // No window to draw into and no X display for the engine's own output.
    bool WithoutVideo = false;
    libvlc_instance_t *VlcInstance = nullptr;
    libvlc_media_player_t *VlcPlayer = nullptr;
    libvlc_media_t *VlcMedia = nullptr;
    QStringList PlayList;
    int CurrentIndex = -1;
};

#endif // UVLCWRAPPER_H
