#ifndef ACCELREADER_H
#define ACCELREADER_H

#include "gpslog/accel/accelsample.h"

#include <QList>
#include <QString>

class Mp4Boxes;

// A reading as a layout stores it, already turned to g and to the car's
// axes (forward, right, up) as far as the layout tells them, gravity still
// in: a level sensor at rest reads 0, 0, +1.
struct RawAccel
{
    qint64 OffsetMs = 0;
    double Forward = 0.0;
    double Right = 0.0;
    double Up = 0.0;
};

Q_DECLARE_TYPEINFO(RawAccel, Q_PRIMITIVE_TYPE);

using RawAccelList = QList<RawAccel>;

// Reads the G-sensor of one layout of recorder. One reader per layout
// (BlackVue's .3gf, the accelerometer of Novatek "freeGPS " blocks, GoPro's
// ACCL, Nextbase's subtitle records, the frames of Tesla camera files);
// ReadVideo tries them in turn, as EmbeddedGps tries the GPS layouts.
// Every reader reads by seeking and with bounded memory: a broken file gives
// fewer readings, never a crash or a hang.
class AccelReader
{
public:
    // No trace holds more readings than this (a day at ten a second).
    static constexpr qsizetype MaxReadings = 24 * 60 * 60 * 10;
    // A reading beyond this many g on any axis is a misread record: a car's
    // sensor saturates long before.
    static constexpr double MaxG = 16.0;

    virtual ~AccelReader() = default;

    // The layout's common name.
    virtual QString Name() const = 0;
    // The readings of the video at VideoPath, whose boxes are Boxes (null
    // when the video is no MP4/QuickTime file), in time order; empty when
    // the layout is not there.
    virtual RawAccelList Read(const QString &VideoPath, const Mp4Boxes *Boxes) const = 0;

    // The readers, in the order they are tried.
    static const QList<const AccelReader *> &All();

    // The trace of the video at VideoPath: the first layout with readings
    // wins, made into the car's frame by ToTrace.
    static AccelTrace ReadVideo(const QString &VideoPath);

    // Readings into the car's frame: gravity (and the tilt of the mounting)
    // is taken out as each axis's median over the recording, which a few
    // seconds of braking or a bump do not move; readings beyond MaxG or not
    // finite are dropped, and a trace whose readings never change is Stuck.
    static AccelTrace ToTrace(const QString &Layout, RawAccelList Readings);
};

#endif // ACCELREADER_H
