#ifndef GPMFACCEL_H
#define GPMFACCEL_H

#include "gpslog/accel/accelreader.h"

#include <QByteArray>

// The accelerometer of GoPro cameras: in the GPMF of the 'gpmd' metadata
// track (see GpmfGps), a stream holding 'ACCL' gives readings of three
// channels in m/s², each divided by the stream's 'SCAL'. 'ORIN' names the
// camera axis of each channel ("ZXY": the first channel is the camera's Z;
// a small letter is the axis reversed); a stream without it is in the
// order "ZXY" of the first cameras that wrote ACCL. The camera is taken as
// mounted behind the windscreen looking ahead: its Z runs out through the
// lens (forward), X to its right and Y up.
class GpmfAccel : public AccelReader
{
public:
    QString Name() const override { return QStringLiteral("GoPro"); }
    RawAccelList Read(const QString &VideoPath, const Mp4Boxes *Boxes) const override;

    // The readings of one sample covering DurationMs from StartMs of the
    // video, spread evenly over that span.
    static RawAccelList Decode(const QByteArray &Sample, qint64 StartMs, qint64 DurationMs);
};

#endif // GPMFACCEL_H
