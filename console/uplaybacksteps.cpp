#include "uplaybacksteps.h"

#include <cmath>

namespace {

// A shift larger than an hour is a slip of the finger held on the key, not a
// clock difference; it stops there.
constexpr int GpsShiftLimit = 3600;
constexpr double RateTolerance = 1e-6;

} // namespace

qint64 UPlaybackSteps::SeekTarget(qint64 TimeMs, qint64 DeltaMs, qint64 LengthMs)
{
    const qint64 target = qMax<qint64>(TimeMs, 0) + DeltaMs;
    if (LengthMs <= 0)
        return qMax<qint64>(target, 0);
    return qBound<qint64>(0, target, LengthMs);
}

const QList<double> &UPlaybackSteps::RateLadder()
{
    static const QList<double> ladder = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
    return ladder;
}

double UPlaybackSteps::StepRate(double Rate, int Steps)
{
    const QList<double> &ladder = RateLadder();
    if (!std::isfinite(Rate))
        Rate = 1.0;
    // Where Rate lies on the ladder: an exact rung, or between two.
    qsizetype at = 0;
    while (at < ladder.size() && ladder.at(at) < Rate - RateTolerance)
        ++at;
    const bool onRung = at < ladder.size() && std::abs(ladder.at(at) - Rate) <= RateTolerance;
    qsizetype target = at;
    if (Steps > 0)
        target = onRung ? at + Steps : at + Steps - 1;
    else if (Steps < 0)
        target = at + Steps;
    return ladder.at(qBound<qsizetype>(0, target, ladder.size() - 1));
}

QString UPlaybackSteps::RateText(double Rate)
{
    return QStringLiteral("Speed %1x").arg(QString::number(Rate, 'g', 3));
}

int UPlaybackSteps::StepVolume(int Volume, int Delta)
{
    return qBound(0, Volume + Delta, VolumeMax);
}

qint64 UPlaybackSteps::FrameBackTarget(qint64 TimeMs, unsigned FrameRateNum, unsigned FrameRateDen)
{
    qint64 frameMs = DefaultFrameMs;
    if (FrameRateNum > 0 && FrameRateDen > 0)
        frameMs = qMax<qint64>(1, qint64(std::llround(1000.0 * FrameRateDen / FrameRateNum)));
    return qMax<qint64>(0, TimeMs - frameMs);
}

int UPlaybackSteps::StepGpsShift(int ShiftSeconds, int Delta)
{
    return qBound(-GpsShiftLimit, ShiftSeconds + Delta, GpsShiftLimit);
}

QString UPlaybackSteps::GpsShiftText(int ShiftSeconds)
{
    if (ShiftSeconds > 0)
        return QStringLiteral("GPS +%1 s").arg(ShiftSeconds);
    if (ShiftSeconds < 0)
        return QStringLiteral("GPS -%1 s").arg(-ShiftSeconds);
    return QStringLiteral("GPS 0 s");
}
