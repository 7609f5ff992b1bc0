// The periodic display update: four times a second the displays follow the
// engine, and the next recording starts when one has ended. The console
// (UDisplayTick) says what to show; the window shows it.
#include "tracora.h"
#include "tracora_state.h"

#include <QLabel>
#include <QSlider>

#include "console/udisplaytick.h"
#include "gpslog/gpslogdata.h"
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"
#include "widgets/uspeedmeter.h"

QString Tracora::FormatPlayTime(qint64 Milliseconds)
{
    return UDisplayTick::FormatPlayTime(Milliseconds);
}

void Tracora::UpdateUIData()
{
    // libvlc's own mouse input is off for the video surface (set once when the
    // surface was handed over), so double-clicks reach it without work here.
    UDisplayReading reading;
    reading.EngineState = PlaybackGroup->GetState();
    reading.Time = VlcWrapper->GetTime();
    reading.Length = VlcWrapper->GetLength();
    reading.GpsLog = GpsLog;
    reading.PlayStatus = Status->PlayStatus;
    reading.PlayButtonState = PlayButtonState;
    reading.GpsShiftSeconds = GpsShiftOf(VlcWrapper->GetIndex());
    reading.TrackLoaded = GpsTrackLoaded;
    // The settings every player keeps, and the other cameras at the front's time.
    PlaybackGroup->KeepInStep();

    ApplyDisplaySteps(UDisplayTick::Steps(reading));
    ShowPlayTimeTooltip(reading);
    // The length may come only after the marks.
    ShowClipMarks(false);
}

void Tracora::ApplyDisplaySteps(const QList<UDisplayStep> &Steps)
{
    for (const UDisplayStep &step : Steps) {
        switch (step.What) {
        case UDisplayStep::SetSlider:
            VideoTimeSlider->setValue(step.Slider);
            break;
        case UDisplayStep::SetTimeLabel:
            VideoTimeLabel->setText(step.Text);
            break;
        case UDisplayStep::SetPositionText:
            CarPositionNumber->setText(step.Text);
            break;
        case UDisplayStep::SetSpeed:
            CarSpeedMeter->SetCarSpeed(step.Speed);
            break;
        case UDisplayStep::RunMapCall:
            RunMapScript(step.Text);
            break;
        case UDisplayStep::SwitchPlayFace:
            SwitchPlaybuttonAndPausebutton();
            break;
        case UDisplayStep::PlayNext:
            ChoosingByAutoplay = true;
            PlayNext();
            ChoosingByAutoplay = false;
            break;
        }
    }
}
