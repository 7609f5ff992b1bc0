#include "ueventdetector.h"

#include "gpslog/gpstrack.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double KmhPerMetrePerSecond = 3.6;
constexpr qint64 MillisecondsPerSecond = 1000;
// A reading stands for the time to the next one, but never for more than
// this (a sensor that fell silent).
constexpr qint64 MaxReadingMs = 1000;
// Stretches of speeding this close are one.
constexpr qint64 SpeedingGapMs = 2000;

struct Run
{
    qint64 StartMs = 0;
    qint64 EndMs = 0;
    double Peak = 0.0;
};

// Appends a run to Runs, joining it to the last one when the gap is short.
void AddRun(QList<Run> &Runs, const Run &Next, qint64 MergeGapMs)
{
    if (!Runs.isEmpty() && Next.StartMs - Runs.last().EndMs < MergeGapMs) {
        Runs.last().EndMs = Next.EndMs;
        Runs.last().Peak = std::max(Runs.last().Peak, Next.Peak);
        return;
    }
    Runs.append(Next);
}

// The typical time between readings: what one reading stands for.
qint64 ReadingMs(const AccelSampleList &Samples)
{
    if (Samples.size() < 2)
        return MaxReadingMs;
    QList<qint64> steps;
    steps.reserve(Samples.size() - 1);
    for (qsizetype i = 1; i < Samples.size(); ++i)
        steps.append(Samples[i].OffsetMs - Samples[i - 1].OffsetMs);
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    return std::clamp<qint64>(steps.at(steps.size() / 2), 1, MaxReadingMs);
}

// The longitudinal readings, each averaged with its neighbours within half
// of SmoothingMs either side.
QList<double> Smoothed(const AccelSampleList &Samples)
{
    QList<double> smoothed;
    smoothed.reserve(Samples.size());
    const qint64 half = UEventDetector::SmoothingMs / 2;
    qsizetype first = 0;
    qsizetype last = 0;
    double sum = 0.0;
    for (qsizetype i = 0; i < Samples.size(); ++i) {
        const qint64 at = Samples[i].OffsetMs;
        while (last < Samples.size() && Samples[last].OffsetMs <= at + half)
            sum += Samples[last++].Longitudinal;
        while (Samples[first].OffsetMs < at - half)
            sum -= Samples[first++].Longitudinal;
        smoothed.append(sum / double(last - first));
    }
    return smoothed;
}

// Stretches where Value(i) is at least Threshold, each from its first reading
// to the end of its last.
template <typename ValueOf>
QList<Run> Runs(const AccelSampleList &Samples, qint64 Step, double Threshold, ValueOf Value)
{
    QList<Run> runs;
    qsizetype i = 0;
    while (i < Samples.size()) {
        if (!(Value(i) >= Threshold)) {
            ++i;
            continue;
        }
        Run run;
        run.StartMs = Samples[i].OffsetMs;
        while (i < Samples.size() && Value(i) >= Threshold) {
            run.Peak = std::max(run.Peak, Value(i));
            run.EndMs = Samples[i].OffsetMs + Step;
            ++i;
        }
        AddRun(runs, run, UEventDetector::MergeGapMs);
    }
    return runs;
}

void AddEvents(UEventList &Events, const QList<Run> &Runs, UEventKind Kind, qint64 MinDurationMs)
{
    for (const Run &run : Runs) {
        if (run.EndMs - run.StartMs >= MinDurationMs)
            Events.append({run.StartMs, Kind, run.Peak, QString()});
    }
}

} // namespace

UEventList UEventDetector::FromAccel(const AccelTrace &Trace)
{
    UEventList events;
    const AccelSampleList &samples = Trace.Samples;
    if (samples.isEmpty())
        return events;
    const qint64 step = ReadingMs(samples);
    const QList<double> longitudinal = Smoothed(samples);
    AddEvents(events, Runs(samples, step, BrakingG, [&](qsizetype i) { return -longitudinal[i]; }),
              UEventKind::Braking, MinDurationMs);
    AddEvents(events, Runs(samples, step, BrakingG, [&](qsizetype i) { return longitudinal[i]; }),
              UEventKind::Acceleration, MinDurationMs);
    AddEvents(events,
              Runs(samples, step, BumpG, [&](qsizetype i) { return std::fabs(samples[i].Vertical); }),
              UEventKind::Bump, 0);
    SortEvents(events);
    return events;
}

UEventList UEventDetector::FromGps(const GpsTrack &Seconds)
{
    UEventList events;
    QList<Run> runs;
    const qsizetype count = Seconds.Size();
    for (qsizetype i = 0; i + GpsWindowSeconds < count; ++i) {
        bool allFixes = true;
        for (int k = 0; k <= GpsWindowSeconds; ++k)
            allFixes = allFixes && Seconds.At(i + k).Valid;
        if (!allFixes)
            continue;
        const double drop = (Seconds.At(i).SpeedKmh - Seconds.At(i + GpsWindowSeconds).SpeedKmh)
            / KmhPerMetrePerSecond / GpsWindowSeconds;
        if (!(drop >= GpsBrakingMetresPerSecond2))
            continue;
        const Run run{i * MillisecondsPerSecond, (i + GpsWindowSeconds) * MillisecondsPerSecond,
                      drop / StandardGravity};
        // Overlapping windows of one stop are one event.
        AddRun(runs, run, 1);
    }
    AddEvents(events, runs, UEventKind::Braking, 0);
    return events;
}

UEventList UEventDetector::Speeding(const QList<float> &SpeedsKmh, double LimitKmh)
{
    UEventList events;
    if (!(LimitKmh > 0.0))
        return events;
    QList<Run> runs;
    for (qsizetype second = 0; second < SpeedsKmh.size(); ++second) {
        const double speed = SpeedsKmh[second];
        if (!(speed > LimitKmh))
            continue;
        AddRun(runs, {second * MillisecondsPerSecond, (second + 1) * MillisecondsPerSecond, speed}, SpeedingGapMs);
    }
    AddEvents(events, runs, UEventKind::Speeding, 0);
    return events;
}
