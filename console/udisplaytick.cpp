#include "udisplaytick.h"

#include <climits>

#include "console/umapbridge.h"
#include "console/umapscript.h"
#include "gpslog/gpslogdata.h"
#include "playback/enginestate.h"

namespace {

constexpr int PlayFace = 1;
constexpr int PauseFace = 0;
const QString StoppedTimeText = QStringLiteral("00:00:00/00:00:00");
const QString PositionIndent(7, QLatin1Char(' '));
const QString PositionGap(14, QLatin1Char(' '));
const QString NoFixGap(23, QLatin1Char(' '));

QString EastWestTag(const GpsRecord &Record)
{
    return Record.EastOrWest == QLatin1String("W") ? QStringLiteral("W:") : QStringLiteral("E:");
}

QString NorthSouthTag(const GpsRecord &Record)
{
    return Record.SouthOrNorth == QLatin1String("S") ? QStringLiteral("S:") : QStringLiteral("N:");
}

UDisplayStep Slider(int Value)
{
    UDisplayStep step;
    step.What = UDisplayStep::SetSlider;
    step.Slider = Value;
    return step;
}

UDisplayStep TextStep(UDisplayStep::Kind What, const QString &Text)
{
    UDisplayStep step;
    step.What = What;
    step.Text = Text;
    return step;
}

UDisplayStep Speed(double Value)
{
    UDisplayStep step;
    step.What = UDisplayStep::SetSpeed;
    step.Speed = Value;
    return step;
}

UDisplayStep Plain(UDisplayStep::Kind What)
{
    UDisplayStep step;
    step.What = What;
    return step;
}

// The played part in thousandths. The engine may not know the length yet;
// the slider could show no more than its range anyway.
int SliderValue(qint64 Time, qint64 Length)
{
    if (Length <= 0)
        return 0;
    return int(qBound<qint64>(0, Time * UDisplayTick::SliderEnd / Length, qint64(UDisplayTick::SliderEnd)));
}

// The car at the play second, shown only on a map page whose track was read.
void FollowTrack(QList<UDisplayStep> &Steps, qint64 Time, int ShiftSeconds, const GpsLogData &Track)
{
    const qint64 second = qBound<qint64>(0, Time / 1000 - ShiftSeconds, qint64(INT_MAX));
    const GpsRecord current = Track.GetGpsDataAt(int(second));
    const GpsRecord first = Track.GetFirstAvailableGpsData();
    Steps << TextStep(UDisplayStep::SetPositionText, UDisplayTick::PositionText(current));
    if (current.DataAvailable) {
        Steps << Speed(current.Velocity);
        Steps << TextStep(UDisplayStep::RunMapCall, UMapScript::SetStartCall(first));
        Steps << TextStep(UDisplayStep::RunMapCall, UMapScript::SetPositionCall(current));
        return;
    }
    Steps << Speed(0.0);
    // A track without any fix has no start to show.
    if (first.DataAvailable)
        Steps << TextStep(UDisplayStep::RunMapCall, UMapScript::SetStartCall(first));
}

// The map's clock: sent whenever a map page shows a recording whose track
// was read and the engine knows its time.
void SendClock(QList<UDisplayStep> &Steps, const UDisplayReading &Reading, bool Playing)
{
    if (!UDisplayTick::FollowsTrack(Reading) || Reading.Time < 0)
        return;
    Steps << TextStep(UDisplayStep::RunMapCall, UMapScript::SetClockCall(Reading.Time, Playing));
}

} // namespace

QList<UDisplayStep> UDisplayTick::Steps(const UDisplayReading &Reading)
{
    QList<UDisplayStep> steps;
    switch (Reading.EngineState) {
    case UEngineState::StateStopped:
        steps << TextStep(UDisplayStep::SetTimeLabel, StoppedTimeText) << Slider(0);
        if (Reading.PlayButtonState != PlayFace)
            steps << Plain(UDisplayStep::SwitchPlayFace);
        return steps;
    case UEngineState::StateEnded:
        steps << Slider(SliderEnd);
        if (Reading.PlayButtonState != PlayFace)
            steps << Plain(UDisplayStep::SwitchPlayFace);
        steps << Plain(UDisplayStep::PlayNext);
        return steps;
    case UEngineState::StatePlaying:
        break;
    case UEngineState::StatePaused:
        // Every display stays as it is; the map's car stops where the engine stands.
        SendClock(steps, Reading, false);
        return steps;
    default:
        // Opening, buffering, error: every display stays as it is.
        return steps;
    }

    steps << Slider(SliderValue(Reading.Time, Reading.Length));
    steps << TextStep(UDisplayStep::SetTimeLabel,
                      FormatPlayTime(Reading.Time) + QLatin1Char('/') + FormatPlayTime(Reading.Length));
    if (FollowsTrack(Reading))
        FollowTrack(steps, Reading.Time, Reading.GpsShiftSeconds, *Reading.GpsLog);
    if (Reading.PlayButtonState != PauseFace)
        steps << Plain(UDisplayStep::SwitchPlayFace);
    SendClock(steps, Reading, true);
    return steps;
}

QList<UDisplayStep> UDisplayTick::SoughtSteps(qint64 Time, qint64 Length)
{
    return {Slider(SliderValue(Time, Length)),
            TextStep(UDisplayStep::SetTimeLabel, FormatPlayTime(Time) + QLatin1Char('/') + FormatPlayTime(Length))};
}

QString UDisplayTick::FormatPlayTime(qint64 Milliseconds)
{
    const qint64 time = qMax<qint64>(Milliseconds, 0);
    const qint64 hours = time / 3600000;
    const qint64 rest = time - hours * 3600000;
    const qint64 minutes = rest / 60000;
    const qint64 seconds = (rest - minutes * 60000) / 1000;

    // Minutes and seconds always take two digits, also past 99 hours, where
    // padding by text length would leave "100:0:00".
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, zero)
        .arg(minutes, 2, 10, zero)
        .arg(seconds, 2, 10, zero);
}

QString UDisplayTick::PositionText(const GpsRecord &Record)
{
    if (!Record.DataAvailable)
        return PositionIndent + EastWestTag(Record) + NoFixGap + NorthSouthTag(Record);
    return PositionIndent + EastWestTag(Record) + Record.Longitude + PositionGap + NorthSouthTag(Record)
        + Record.Latitude;
}

bool UDisplayTick::FollowsTrack(const UDisplayReading &Reading)
{
    if (!Reading.GpsLog)
        return false;
    if (Reading.PlayStatus == UMapBridge::OnlineMap)
        return true;
    return Reading.PlayStatus == UMapBridge::NoConnection && Reading.TrackLoaded;
}
