#include "novatekaccel.h"

#include "gpslog/mp4/freegpsblock.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/novatekgps.h"

namespace {

constexpr qint64 MillisecondsPerSecond = 1000;

bool TakeReading(const FreeGpsRecord &Record, qint64 OffsetMs, RawAccel &Reading)
{
    if (!Record.HasAcceleration)
        return false;
    Reading.OffsetMs = OffsetMs;
    Reading.Forward = Record.Acceleration[0];
    Reading.Right = Record.Acceleration[1];
    Reading.Up = Record.Acceleration[2];
    return true;
}

} // namespace

bool NovatekAccel::Decode(const QByteArray &Block, qint64 OffsetMs, RawAccel &Reading)
{
    return TakeReading(FreeGpsBlock::Parse(Block), OffsetMs, Reading);
}

RawAccelList NovatekAccel::Read(const QString &, const Mp4Boxes *Boxes) const
{
    RawAccelList readings;
    if (!Boxes)
        return readings;
    QList<NovatekGps::SecondRecord> blocks = NovatekGps::ReadRecords(*Boxes);
    if (blocks.isEmpty())
        blocks = NovatekGps::ScanRecords(*Boxes);
    for (const NovatekGps::SecondRecord &block : std::as_const(blocks)) {
        RawAccel reading;
        if (TakeReading(block.Record, block.Second * MillisecondsPerSecond, reading))
            readings.append(reading);
    }
    return readings;
}
