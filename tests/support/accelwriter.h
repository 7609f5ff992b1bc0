#ifndef ACCELWRITER_H
#define ACCELWRITER_H

#include "gpslog/accel/accelreader.h"
#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QList>

// Makes G-sensor traces and the files recorders keep them in, for tests,
// fuzz seeds and benchmarks: no public sample of them may be shipped.
class AccelWriter
{
public:
    // What happens on a generated drive, in the car's frame, gravity not
    // counted.
    struct Moment
    {
        enum Kind { Braking, Accelerating, Bump } What = Braking;
        qint64 StartMs = 0;
        qint64 DurationMs = 0;
        double G = 0.0;
    };

    // Readings at RateHz over Seconds of a calm drive (seeded noise of the
    // engine and the road, gentle speed changes and turns), gravity on the
    // up axis, with the Moments added.
    static RawAccelList Drive(int Seconds, int RateHz, quint32 Seed, const QList<Moment> &Moments = {});

    // BlackVue: records of a .3gf file, 128 to the g.
    static QByteArray ThreeGf(const RawAccelList &Readings);
    // A file with the BlackVue layout: GPS as NMEA and the records in a
    // '3gf ' box inside a 'free' box.
    static QByteArray BlackVueVideo(const GpsFixList &Fixes, const RawAccelList &Readings);
    // Novatek: "freeGPS " blocks, one per fix, each with the reading of its
    // second (Readings[i] for fix i; blocks past the readings carry none).
    static QByteArray NovatekVideo(const GpsFixList &Fixes, const RawAccelList &Readings);
    // GoPro: a 'gpmd' track of one-second samples, ACCL in m/s² scaled by
    // Scale, channels in the order Orientation names ("ZXY", "YxZ", ...;
    // empty: no ORIN entry, the readings in the order ZXY).
    static QByteArray GoProVideo(const RawAccelList &Readings, int RateHz, const QByteArray &Orientation,
                                 int Scale = 418);
    // Nextbase: a subtitle record for each reading (1280 to the g, y counted
    // the other way), each cue lasting until the next reading. (A Tesla
    // camera file with readings: TeslaSeiWriter::Accelerating.)
    static QByteArray NextbaseVideo(const RawAccelList &Readings);
};

#endif // ACCELWRITER_H
