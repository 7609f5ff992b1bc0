#ifndef ACCELSAMPLE_H
#define ACCELSAMPLE_H

#include <QList>
#include <QString>
#include <QtGlobal>

// One reading of a recorder's G-sensor in the car's frame: longitudinal
// (forward positive: braking is negative), lateral (right positive) and
// vertical (up positive), in g, with gravity removed, so a car standing
// still reads about 0, 0, 0.
// One g in m/s², for the layouts and the GPS that count in m/s².
constexpr double StandardGravity = 9.80665;

struct AccelSample
{
    // Milliseconds from the start of the video.
    qint64 OffsetMs = 0;
    double Longitudinal = 0.0;
    double Lateral = 0.0;
    double Vertical = 0.0;
};

Q_DECLARE_TYPEINFO(AccelSample, Q_PRIMITIVE_TYPE);

using AccelSampleList = QList<AccelSample>;

// The G-sensor trace of one recording, at the sensor's own rate.
struct AccelTrace
{
    // The layout it was read from ("BlackVue", "Novatek", "GoPro"); empty
    // when the recording has none.
    QString Layout;
    // In time order.
    AccelSampleList Samples;
    // The sensor gave readings, but all of them the same: a stuck sensor
    // tells nothing, so Samples is empty then.
    bool Stuck = false;

    bool IsEmpty() const { return Samples.isEmpty(); }
    // Readings a second over the trace; 0 for fewer than two.
    double RateHz() const;
};

#endif // ACCELSAMPLE_H
