#ifndef NOVATEKACCEL_H
#define NOVATEKACCEL_H

#include "gpslog/accel/accelreader.h"

#include <QByteArray>

// The G-sensor of recorders built on Novatek chips: the "freeGPS " blocks
// that hold the GPS (one a second, see NovatekGps) carry three axes, read
// with the block's layout by FreeGpsBlock::Parse (mostly little-endian
// signed 32-bit values after the report, 256 to the g), taken as forward,
// right and up. Blocks whose values are all zero, or count 1 to 6 in 16-bit
// steps, have no reading: firmware without a sensor writes those.
class NovatekAccel : public AccelReader
{
public:
    static constexpr double UnitsPerG = 256.0;

    QString Name() const override { return QStringLiteral("Novatek"); }
    RawAccelList Read(const QString &VideoPath, const Mp4Boxes *Boxes) const override;

    // The reading of one block (as FreeGpsBlock::Parse takes it), at
    // OffsetMs; false when the block has none.
    static bool Decode(const QByteArray &Block, qint64 OffsetMs, RawAccel &Reading);
};

#endif // NOVATEKACCEL_H
