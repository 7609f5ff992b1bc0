#ifndef TESLAACCEL_H
#define TESLAACCEL_H

#include "gpslog/accel/accelreader.h"

struct TeslaFrame;

// The acceleration Tesla cars write into every frame of their camera files
// beside the GPS (see TeslaGps): three values in m/s² in the car's own
// frame, x forward, y to the left and z up, as vehicle makers count them.
// A frame whose three values are all 0 wrote none (protobuf leaves them out).
class TeslaAccel : public AccelReader
{
public:
    QString Name() const override { return QStringLiteral("Tesla"); }
    // Reads the frames only when the start of the video holds the car's
    // messages (TeslaGps::Probe), so other videos cost a few kilobytes.
    RawAccelList Read(const QString &VideoPath, const Mp4Boxes *Boxes) const override;

    // The reading of one frame; false when it has none.
    static bool Decode(const TeslaFrame &Frame, RawAccel &Reading);
};

#endif // TESLAACCEL_H
