#ifndef NEXTBASEACCEL_H
#define NEXTBASEACCEL_H

#include "gpslog/accel/accelreader.h"

// The G-sensor of Nextbase recorders: each binary record of the subtitle
// track (see NextbaseGps) holds the accelerometer in g beside the GPS, read
// by NextbaseGps::Decode and placed at its cue's time; its x, y and z are
// taken as forward, right and up, as for Novatek blocks. Of several such
// tracks the one with the most records is read.
class NextbaseAccel : public AccelReader
{
public:
    QString Name() const override { return QStringLiteral("Nextbase"); }
    RawAccelList Read(const QString &VideoPath, const Mp4Boxes *Boxes) const override;
};

#endif // NEXTBASEACCEL_H
