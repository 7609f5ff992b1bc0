#include "novatekgps.h"

#include "gpslog/gpsposition.h"
#include "gpslog/mp4/mp4boxes.h"

#include <QDate>
#include <QTime>
#include <QTimeZone>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

// The index: big-endian version and count, then (offset, size) pairs.
constexpr qint64 IndexHeaderBytes = 8;
constexpr qint64 IndexEntryBytes = 8;

// A block: big-endian size, the marker, then somewhere the report.
constexpr char BlockMarker[] = "freeGPS ";
constexpr qsizetype MarkerAt = 4;
constexpr qsizetype MarkerLength = sizeof(BlockMarker) - 1;
constexpr qsizetype ReportStart = MarkerAt + MarkerLength;

// The report: little-endian u32 hour, minute, second, year, month, day; the
// characters status, N/S, E/W and a pad byte; little-endian f32 latitude
// and longitude (DDMM.MMMM), speed in knots and course. It is found by its
// characters, so the numbers are read relative to the status byte.
constexpr qsizetype TimeFields = 6;
constexpr qsizetype TimeBytes = TimeFields * 4;
constexpr qsizetype LatitudeAfterStatus = 4;
constexpr qsizetype LongitudeAfterStatus = 8;
constexpr qsizetype SpeedAfterStatus = 12;
constexpr qsizetype CourseAfterStatus = 16;
constexpr qsizetype ReportAfterStatus = 20;

constexpr char FixStatus = 'A';
constexpr char NoFixStatus = 'V';

// Most firmware writes the year less 2000, some the full year.
constexpr int CenturyBase = 2000;
constexpr int LastShortYear = 99;
constexpr int FirstFullYear = 2000;
constexpr int LastFullYear = 2099;

constexpr double KnotsToKmh = 1.852;
// Faster than any car: a speed above this is a misread report.
constexpr double MaxSpeedKnots = 500.0;
constexpr double FullCircle = 360.0;
constexpr qint64 MillisecondsPerSecond = 1000;

// The start of a block, where its report lies.
using BlockStart = std::array<char, NovatekGps::MaxBlockBytes>;

quint32 Word(const BlockStart &Block, qsizetype At)
{
    return qFromLittleEndian<quint32>(Block.data() + At);
}

float Real(const BlockStart &Block, qsizetype At)
{
    const quint32 bits = Word(Block, At);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The date and time before a status byte, or an invalid one when they are
// not a plausible moment.
QDateTime TimeBefore(const BlockStart &Block, qsizetype StatusAt)
{
    const qsizetype at = StatusAt - TimeBytes;
    const quint32 hour = Word(Block, at);
    const quint32 minute = Word(Block, at + 4);
    const quint32 second = Word(Block, at + 8);
    quint32 year = Word(Block, at + 12);
    const quint32 month = Word(Block, at + 16);
    const quint32 day = Word(Block, at + 20);
    if (year <= LastShortYear)
        year += CenturyBase;
    else if (year < FirstFullYear || year > LastFullYear)
        return {};
    // QDate and QTime reject what is out of range (month 13, hour 24, ...).
    if (month > 12 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return {};
    const QDate date{int(year), int(month), int(day)};
    const QTime time{int(hour), int(minute), int(second)};
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, QTimeZone::utc());
}

bool IsStatusAt(const BlockStart &Block, qsizetype At)
{
    const char status = Block[At];
    const char northSouth = Block[At + 1];
    const char eastWest = Block[At + 2];
    return (status == FixStatus || status == NoFixStatus) && (northSouth == 'N' || northSouth == 'S')
        && (eastWest == 'E' || eastWest == 'W');
}

} // namespace

qsizetype NovatekGps::ReportAt(const QByteArray &Bytes)
{
    const qsizetype size = std::min<qsizetype>(Bytes.size(), MaxBlockBytes);
    if (size < ReportStart)
        return -1;
    // A copy of fixed size, so that every read is plainly inside it (the
    // compiler cannot tell that the size check keeps reads of the QByteArray
    // inside it, and warns).
    BlockStart block{};
    std::memcpy(block.data(), Bytes.constData(), size_t(size));
    if (std::memcmp(block.data() + MarkerAt, BlockMarker, MarkerLength) != 0)
        return -1;
    for (qsizetype at = ReportStart + TimeBytes; at + ReportAfterStatus <= size; ++at) {
        if (IsStatusAt(block, at) && TimeBefore(block, at).isValid())
            return at;
    }
    return -1;
}

GpsFix NovatekGps::Decode(const QByteArray &Bytes)
{
    GpsFix fix;
    const qsizetype at = ReportAt(Bytes);
    if (at < 0)
        return fix;
    BlockStart block{};
    std::memcpy(block.data(), Bytes.constData(), size_t(std::min<qsizetype>(Bytes.size(), MaxBlockBytes)));
    fix.Utc = TimeBefore(block, at);
    if (block[at] != FixStatus)
        return fix;
    double latitude = GpsPosition::FromDegreesMinutes(Real(block, at + LatitudeAfterStatus));
    double longitude = GpsPosition::FromDegreesMinutes(Real(block, at + LongitudeAfterStatus));
    if (block[at + 1] == 'S')
        latitude = -latitude;
    if (block[at + 2] == 'W')
        longitude = -longitude;
    const double knots = Real(block, at + SpeedAfterStatus);
    const double course = Real(block, at + CourseAfterStatus);
    if (!GpsPosition::IsPlausible(latitude, longitude) || !(knots >= 0.0 && knots <= MaxSpeedKnots))
        return fix;
    fix.Valid = true;
    fix.Latitude = latitude;
    fix.Longitude = longitude;
    fix.SpeedKmh = knots * KnotsToKmh;
    if (course >= 0.0 && course <= FullCircle)
        fix.Course = course;
    return fix;
}

QList<NovatekGps::Block> NovatekGps::Blocks(const Mp4Boxes &Boxes)
{
    QList<Block> blocks;
    const std::optional<Mp4Box> index = Boxes.Find("moov/gps ");
    if (!index || index->PayloadSize() < IndexHeaderBytes)
        return blocks;
    const QByteArray head = Boxes.ReadPayload(*index, IndexHeaderBytes);
    if (head.size() < IndexHeaderBytes)
        return blocks;
    const qint64 listed = qFromBigEndian<quint32>(head.constData() + 4);
    const qint64 held = (index->PayloadSize() - IndexHeaderBytes) / IndexEntryBytes;
    const qint64 count = std::min({listed, held, qint64(MaxBlocks)});
    const QByteArray entries = Boxes.Read(index->PayloadOffset() + IndexHeaderBytes, count * IndexEntryBytes);
    const qint64 readable = entries.size() / IndexEntryBytes;
    blocks.reserve(readable);
    for (qint64 i = 0; i < readable; ++i) {
        const char *entry = entries.constData() + i * IndexEntryBytes;
        const quint32 offset = qFromBigEndian<quint32>(entry);
        const quint32 size = qFromBigEndian<quint32>(entry + 4);
        // Some firmware sizes the index ahead and leaves the unused pairs zero.
        if (offset == 0 && size == 0)
            continue;
        blocks.append({offset, size, i * MillisecondsPerSecond});
    }
    return blocks;
}

GpsFixList NovatekGps::Read(const Mp4Boxes &Boxes)
{
    GpsFixList fixes;
    const QList<Block> blocks = Blocks(Boxes);
    fixes.reserve(blocks.size());
    for (const Block &block : blocks) {
        GpsFix fix = Decode(Boxes.Read(block.Offset, std::min<qint64>(block.Size, MaxBlockBytes)));
        fix.OffsetMs = block.OffsetMs;
        fixes.append(fix);
    }
    return fixes;
}
