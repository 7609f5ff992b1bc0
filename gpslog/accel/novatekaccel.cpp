#include "novatekaccel.h"

#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/novatekgps.h"

#include <QtEndian>

#include <cstring>

namespace {

// The readings follow the report's course: status, hemispheres and pad, then
// latitude, longitude, speed and course as four 32-bit values.
constexpr qsizetype ReadingsAfterStatus = 20;
constexpr qsizetype ReadingBytes = 12;
// What firmware without a sensor leaves there.
constexpr char Counting[ReadingBytes] = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0};
constexpr char Zeros[ReadingBytes] = {};

} // namespace

bool NovatekAccel::Decode(const QByteArray &Block, qint64 OffsetMs, RawAccel &Reading)
{
    const qsizetype status = NovatekGps::ReportAt(Block);
    if (status < 0 || status + ReadingsAfterStatus + ReadingBytes > Block.size())
        return false;
    const char *values = Block.constData() + status + ReadingsAfterStatus;
    if (std::memcmp(values, Zeros, ReadingBytes) == 0 || std::memcmp(values, Counting, ReadingBytes) == 0)
        return false;
    Reading.OffsetMs = OffsetMs;
    Reading.Forward = qFromLittleEndian<qint32>(values) / UnitsPerG;
    Reading.Right = qFromLittleEndian<qint32>(values + 4) / UnitsPerG;
    Reading.Up = qFromLittleEndian<qint32>(values + 8) / UnitsPerG;
    return true;
}

RawAccelList NovatekAccel::Read(const QString &, const Mp4Boxes *Boxes) const
{
    RawAccelList readings;
    if (!Boxes)
        return readings;
    for (const NovatekGps::Block &block : NovatekGps::Blocks(*Boxes)) {
        RawAccel reading;
        const QByteArray bytes = Boxes->Read(block.Offset, std::min<qint64>(block.Size, NovatekGps::MaxBlockBytes));
        if (Decode(bytes, block.OffsetMs, reading))
            readings.append(reading);
    }
    return readings;
}
