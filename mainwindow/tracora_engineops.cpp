// What the keys ask of the engine: seeking, volume, mute, speed, frame
// steps, and the engine kept at the speed, volume and mute the user chose.
#include "tracora.h"
#include "tracora_state.h"

#include <QSlider>

#include <cmath>

#include "console/uplaybacksteps.h"
#include "playback/uvlcwrapper.h"

namespace {

constexpr double RateTolerance = 1e-3;

} // namespace

void Tracora::KeepEngineInStep()
{
    if (VlcWrapper->GetState() != UVlcWrapper::StatePlaying)
        return;
    // The engine's sound output comes with each recording at the engine's
    // own level; the slider says what it is to be.
    const int volume = VideoVolumnSlider->value();
    if (VlcWrapper->GetVolume() != volume)
        VlcWrapper->SetVolume(volume);
    const int mute = VlcWrapper->GetMute();
    if (mute >= 0 && (mute != 0) != Muted)
        VlcWrapper->SetMute(Muted);
    if (std::abs(VlcWrapper->GetRate() - PlaybackRate) > RateTolerance)
        VlcWrapper->SetRate(PlaybackRate);
}

void Tracora::SeekBy(qint64 DeltaMs)
{
    const int state = VlcWrapper->GetState();
    if (state != UVlcWrapper::StatePlaying && state != UVlcWrapper::StatePaused)
        return;
    VlcWrapper->SetTime(UPlaybackSteps::SeekTarget(VlcWrapper->GetTime(), DeltaMs, VlcWrapper->GetLength()));
}

void Tracora::StepVolume(int Delta)
{
    const int volume = UPlaybackSteps::StepVolume(VideoVolumnSlider->value(), Delta);
    VideoVolumnSlider->setValue(volume);
    VlcWrapper->SetVolume(volume);
    ShowNote(QStringLiteral("Volume %1").arg(volume));
}

void Tracora::ToggleMute()
{
    Muted = !Muted;
    VlcWrapper->SetMute(Muted);
    ShowNote(Muted ? QStringLiteral("Muted") : QStringLiteral("Sound on"));
}

void Tracora::StepRate(int Steps)
{
    PlaybackRate = UPlaybackSteps::StepRate(PlaybackRate, Steps);
    VlcWrapper->SetRate(PlaybackRate);
    ShowNote(UPlaybackSteps::RateText(PlaybackRate));
}

void Tracora::StepFrame(int Frames)
{
    if (VlcWrapper->GetState() != UVlcWrapper::StatePaused) {
        ShowNote(QStringLiteral("Frames step while paused"));
        return;
    }
    if (Frames > 0) {
        VlcWrapper->NextFrame();
        return;
    }
    unsigned num = 0;
    unsigned den = 0;
    VlcWrapper->GetFrameRate(&num, &den);
    VlcWrapper->SetTime(UPlaybackSteps::FrameBackTarget(VlcWrapper->GetTime(), num, den));
}
