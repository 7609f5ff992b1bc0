#ifndef UEVENTDETECTOR_H
#define UEVENTDETECTOR_H

#include "events/uevent.h"
#include "gpslog/accel/accelsample.h"

#include <QList>

class GpsTrack;

// Finds the moments of a drive in its G-sensor trace or, without one, in
// its GPS speed. Every event is put where it begins.
class UEventDetector
{
public:
    // Braking or acceleration: the longitudinal reading, averaged over
    // SmoothingMs to calm the sensor's noise, at least this many g for at
    // least MinDurationMs.
    static constexpr double BrakingG = 0.4;
    static constexpr qint64 MinDurationMs = 200;
    static constexpr qint64 SmoothingMs = 100;
    // A bump: the vertical reading, gravity removed, at least this many g
    // up or down, however briefly. Vertical rather than the whole vector's
    // length, so that a hard stop (longitudinal) is braking, not a bump.
    static constexpr double BumpG = 1.5;
    // Runs of one kind closer than this are one event: the sensor's noise
    // may dip a long braking below the threshold for a reading or two.
    static constexpr qint64 MergeGapMs = 1000;
    // Without a G-sensor: the GPS speed falling at least this fast, over
    // GpsWindowSeconds.
    static constexpr double GpsBrakingMetresPerSecond2 = 3.9;
    static constexpr int GpsWindowSeconds = 2;

    static UEventList FromAccel(const AccelTrace &Trace);
    // From a track of one fix per second (GpsSeconds): braking only.
    static UEventList FromGps(const GpsTrack &Seconds);
    // From speeds of one value per second (NaN without a fix): each stretch
    // over LimitKmh, with its top speed; none when LimitKmh is not above 0.
    static UEventList Speeding(const QList<float> &SpeedsKmh, double LimitKmh);
};

#endif // UEVENTDETECTOR_H
