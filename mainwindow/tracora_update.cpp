// The periodic display update: four times a second the displays follow the
// engine, and the next recording starts when one has ended.
#include "tracora.h"
#include "tracora_state.h"

#include <QLabel>
#include <climits>
#include <QSlider>

#include "gpslog/gpslogdata.h"
#include "playback/uvlcwrapper.h"
#include "widgets/uspeedmeter.h"

namespace {

constexpr int SliderEnd = 1000;
const QString StoppedTimeText = QStringLiteral("00:00:00/00:00:00");
const QString PositionIndent(7, QLatin1Char(' '));
const QString PositionGap(14, QLatin1Char(' '));
const QString NoFixGap(23, QLatin1Char(' '));

QString EastWestTag(const GpsRecord &record)
{
    return record.EastOrWest == QLatin1String("W") ? QStringLiteral("W:") : QStringLiteral("E:");
}

QString NorthSouthTag(const GpsRecord &record)
{
    return record.SouthOrNorth == QLatin1String("S") ? QStringLiteral("S:") : QStringLiteral("N:");
}

// "name(LAT,LON)" with the hemisphere as the sign.
QString MapCall(const QString &name, const GpsRecord &record)
{
    QString call = name;
    if (record.SouthOrNorth == QLatin1String("S"))
        call += QLatin1Char('-');
    call += record.Latitude;
    call += QLatin1Char(',');
    if (record.EastOrWest == QLatin1String("W"))
        call += QLatin1Char('-');
    call += record.Longitude;
    call += QLatin1Char(')');
    return call;
}

} // namespace

QString Tracora::FormatPlayTime(qint64 Milliseconds)
{
    // The engine reports -1 while it knows no time; show it as zero.
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

void Tracora::UpdateUIData()
{
    const int state = VlcWrapper->GetState();

    if (state == UVlcWrapper::StateStopped) {
        VideoTimeLabel->setText(StoppedTimeText);
        VideoTimeSlider->setValue(0);
        if (PlayButtonState != 1)
            SwitchPlaybuttonAndPausebutton();
        return;
    }

    if (state == UVlcWrapper::StateEnded) {
        VideoTimeSlider->setValue(SliderEnd);
        if (PlayButtonState != 1)
            SwitchPlaybuttonAndPausebutton();
        PlayNext();
        return;
    }

    if (state != UVlcWrapper::StatePlaying)
        return;

    // libvlc's own mouse input is off for the video surface (set once when the
    // surface was handed over), so double-clicks reach it without work here.
    const qint64 time = VlcWrapper->GetTime();
    const qint64 length = VlcWrapper->GetLength();
    // The engine may not know the length yet.
    VideoTimeSlider->setValue(length > 0 ? int(time * SliderEnd / length) : 0);
    VideoTimeLabel->setText(FormatPlayTime(VlcWrapper->GetTime()) + QLatin1Char('/')
                            + FormatPlayTime(VlcWrapper->GetLength()));

    if (Status->PlayStatus == 1) {
        const qint64 second = qBound<qint64>(0, VlcWrapper->GetTime() / 1000, qint64(INT_MAX));
        const GpsRecord current = GpsLog->GetGpsDataAt(int(second));
        const GpsRecord first = GpsLog->GetFirstAvailableGpsData();
        if (current.DataAvailable) {
            CarPositionNumber->setText(PositionIndent + EastWestTag(current) + current.Longitude
                                       + PositionGap + NorthSouthTag(current) + current.Latitude);
            CarSpeedMeter->SetCarSpeed(current.Velocity);
            RunMapScript(MapCall(QStringLiteral("setstart("), first));
            RunMapScript(MapCall(QStringLiteral("setposition("), current));
        } else {
            CarPositionNumber->setText(PositionIndent + EastWestTag(current) + NoFixGap
                                       + NorthSouthTag(current));
            CarSpeedMeter->SetCarSpeed(0);
            // A track without any fix has no start to show.
            if (first.DataAvailable)
                RunMapScript(MapCall(QStringLiteral("setstart("), first));
        }
    }

    if (PlayButtonState != 0)
        SwitchPlaybuttonAndPausebutton();
}
