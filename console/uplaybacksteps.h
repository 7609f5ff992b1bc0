#ifndef UPLAYBACKSTEPS_H
#define UPLAYBACKSTEPS_H

#include <QList>
#include <QString>
#include <QtGlobal>

// The arithmetic behind the player's keys: where a seek lands, the speed
// ladder, the volume steps, one frame back, and the words shown for them.
class UPlaybackSteps
{
public:
    static constexpr int VolumeMax = 100;
    // Assumed when the engine does not tell the frame rate (the recorders'
    // usual 25 frames a second).
    static constexpr qint64 DefaultFrameMs = 40;

    // The play time after moving by DeltaMs, kept within the recording. An
    // unknown length (0 or less) only keeps it from going below zero; an
    // unknown time (negative) counts as the start.
    static qint64 SeekTarget(qint64 TimeMs, qint64 DeltaMs, qint64 LengthMs);

    // The speeds [ and ] step through, slowest first; 1.0 is among them.
    static const QList<double> &RateLadder();
    // Steps away from Rate on the ladder, stopping at its ends. A rate off the
    // ladder first snaps to the nearest one in the direction of the step.
    static double StepRate(double Rate, int Steps);
    static QString RateText(double Rate);

    static int StepVolume(int Volume, int Delta);

    // The time to show one frame back, from the frame rate's numerator and
    // denominator (0 when unknown).
    static qint64 FrameBackTarget(qint64 TimeMs, unsigned FrameRateNum, unsigned FrameRateDen);

    // The GPS shift after a step, and how it is shown ("GPS +2 s").
    static int StepGpsShift(int ShiftSeconds, int Delta);
    static QString GpsShiftText(int ShiftSeconds);
};

#endif // UPLAYBACKSTEPS_H
