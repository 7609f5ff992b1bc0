// What the keys ask of the engine: seeking, volume, mute, speed and frame
// steps, for every camera of the recording. The group of players keeps the
// speed, volume and mute the user chose across recordings.
#include "tracora.h"
#include "tracora_state.h"

#include <QSlider>

#include "console/uplaybacksteps.h"
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"

void Tracora::SeekBy(qint64 DeltaMs)
{
    const int state = VlcWrapper->GetState();
    if (state != UVlcWrapper::StatePlaying && state != UVlcWrapper::StatePaused)
        return;
    PlaybackGroup->SeekTo(UPlaybackSteps::SeekTarget(VlcWrapper->GetTime(), DeltaMs, VlcWrapper->GetLength()));
}

void Tracora::StepVolume(int Delta)
{
    const int volume = UPlaybackSteps::StepVolume(VideoVolumnSlider->value(), Delta);
    VideoVolumnSlider->setValue(volume);
    PlaybackGroup->SetVolume(volume);
    ShowNote(QStringLiteral("Volume %1").arg(volume));
}

void Tracora::ToggleMute()
{
    PlaybackGroup->SetMute(!PlaybackGroup->Muted());
    ShowNote(PlaybackGroup->Muted() ? QStringLiteral("Muted") : QStringLiteral("Sound on"));
}

void Tracora::StepRate(int Steps)
{
    PlaybackGroup->SetRate(UPlaybackSteps::StepRate(PlaybackGroup->Rate(), Steps));
    ShowNote(UPlaybackSteps::RateText(PlaybackGroup->Rate()));
}

void Tracora::StepFrame(int Frames)
{
    if (PlaybackGroup->GetState() != UVlcWrapper::StatePaused) {
        ShowNote(QStringLiteral("Frames step while paused"));
        return;
    }
    // Several cameras step together, from the frame they all stand at.
    if (PlaybackGroup->StepFrame(Frames))
        return;
    if (Frames > 0) {
        VlcWrapper->NextFrame();
        return;
    }
    unsigned num = 0;
    unsigned den = 0;
    VlcWrapper->GetFrameRate(&num, &den);
    VlcWrapper->SetTime(UPlaybackSteps::FrameBackTarget(VlcWrapper->GetTime(), num, den));
}
