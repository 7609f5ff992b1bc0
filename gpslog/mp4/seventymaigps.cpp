#include "seventymaigps.h"

#include "gpslog/gpsposition.h"
#include "gpslog/mp4/mp4boxes.h"

#include <QtEndian>

#include <algorithm>

namespace {

// Little-endian fields of a record: two words that are always 1 in the
// files seen, the second into the video, the speed in metres an hour, then
// 'N'/'S', the latitude as DDMM.mmm times 1000, 'E'/'W' and the longitude
// the same way; ten bytes of padding close it.
constexpr qsizetype SecondAt = 8;
constexpr qsizetype SpeedAt = 12;
constexpr qsizetype NorthSouthAt = 16;
constexpr qsizetype LatitudeAt = 17;
constexpr qsizetype EastWestAt = 21;
constexpr qsizetype LongitudeAt = 22;

constexpr double CoordinateScale = 1000.0;
constexpr double MetresPerHourToKmh = 0.001;
constexpr qint64 MillisecondsPerSecond = 1000;

double Coordinate(const char *Record, qsizetype HemisphereAt, qsizetype At, char Positive, char Negative)
{
    const char hemisphere = Record[HemisphereAt];
    if (hemisphere != Positive && hemisphere != Negative)
        return qQNaN();
    const double value = GpsPosition::FromDegreesMinutes(qFromLittleEndian<quint32>(Record + At) / CoordinateScale);
    return hemisphere == Negative ? -value : value;
}

} // namespace

GpsFixList SeventyMaiGps::Read(const Mp4Boxes &Boxes)
{
    // Some firmware writes an empty box first and the records in a later
    // one: every box counts, in file order, and all of them together are
    // read up to MaxRecords records.
    GpsFixList fixes;
    qint64 budget = qint64(MaxRecords) * RecordSize;
    for (const Mp4Box &box : Boxes.Children(Boxes.Root())) {
        if (box.Type != Mp4Boxes::FourCc("GPS "))
            continue;
        const QByteArray payload = Boxes.ReadPayload(box, budget);
        fixes += Decode(payload);
        budget -= payload.size() / RecordSize * RecordSize;
        if (budget < RecordSize)
            break;
    }
    return fixes;
}

GpsFixList SeventyMaiGps::Decode(const QByteArray &Payload)
{
    GpsFixList fixes;
    const qsizetype records = std::min<qsizetype>(Payload.size() / RecordSize, MaxRecords);
    for (qsizetype i = 0; i < records; ++i) {
        const char *record = Payload.constData() + i * RecordSize;
        if (std::all_of(record, record + RecordSize, [](char c) { return c == 0; }))
            continue;
        GpsFix fix;
        fix.OffsetMs = qint64(qFromLittleEndian<quint32>(record + SecondAt)) * MillisecondsPerSecond;
        fix.SpeedKmh = qFromLittleEndian<quint32>(record + SpeedAt) * MetresPerHourToKmh;
        const double latitude = Coordinate(record, NorthSouthAt, LatitudeAt, 'N', 'S');
        const double longitude = Coordinate(record, EastWestAt, LongitudeAt, 'E', 'W');
        if (GpsPosition::IsPlausible(latitude, longitude)) {
            fix.Valid = true;
            fix.Latitude = latitude;
            fix.Longitude = longitude;
        }
        fixes.append(fix);
    }
    return fixes;
}
