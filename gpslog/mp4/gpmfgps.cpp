#include "gpmfgps.h"

#include "gpslog/gpsposition.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/mp4sampletable.h"

#include <QDate>
#include <QTime>
#include <QTimeZone>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr quint32 Key(const char (&Text)[5])
{
    return Mp4Boxes::FourCc(Text);
}

constexpr qsizetype EntryHeaderBytes = 8;
constexpr qsizetype PayloadAlignment = 4;
// The type of an entry that holds entries.
constexpr char NestedType = 0;

// GPS5: five int32 a fix.
constexpr int Gps5Fields = 5;
constexpr qsizetype Gps5StructBytes = Gps5Fields * 4;
constexpr int LatitudeField = 0;
constexpr int LongitudeField = 1;
constexpr int AltitudeField = 2;
constexpr int Speed2dField = 3;

// GPSU: "yymmddhhmmss.sss".
constexpr qsizetype UtcTextLength = 16;
constexpr int CenturyBase = 2000;

constexpr double Fix2d = 2;
constexpr double Fix3d = 3;

constexpr double MetresPerSecondToKmh = 3.6;

using Entry = GpmfGps::Entry;

// What a stream has told so far; its GPS5 entries are read once the whole
// stream is known, so the order of its entries does not matter.
struct Stream
{
    QList<double> Scales;
    QDateTime Utc;
    // NaN until the stream tells it.
    double FixKind = qQNaN();
    QList<Entry> Positions;
};

// The entries at one level, up to the first that does not fit.
QList<Entry> Entries(const char *Data, qsizetype Size)
{
    QList<Entry> entries;
    qsizetype at = 0;
    while (Size - at >= EntryHeaderBytes) {
        Entry entry;
        entry.Key = qFromBigEndian<quint32>(Data + at);
        entry.Type = Data[at + 4];
        entry.StructBytes = quint8(Data[at + 5]);
        entry.Repeat = qFromBigEndian<quint16>(Data + at + 6);
        entry.Bytes = entry.StructBytes * entry.Repeat;
        entry.Payload = Data + at + EntryHeaderBytes;
        if (entry.Bytes > Size - at - EntryHeaderBytes)
            break;
        entries.append(entry);
        at += EntryHeaderBytes + (entry.Bytes + PayloadAlignment - 1) / PayloadAlignment * PayloadAlignment;
    }
    return entries;
}

// The first numbers of an entry of a plain numeric type; empty for other
// types.
QList<double> Numbers(const Entry &E, qsizetype MaxValues)
{
    QList<double> values;
    qsizetype width = 0;
    switch (E.Type) {
    case 'b': case 'B': width = 1; break;
    case 's': case 'S': width = 2; break;
    case 'l': case 'L': case 'f': width = 4; break;
    case 'd': case 'j': case 'J': width = 8; break;
    default: return values;
    }
    const qsizetype count = std::min(E.Bytes / width, MaxValues);
    values.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const char *at = E.Payload + i * width;
        switch (E.Type) {
        case 'b': values.append(qint8(*at)); break;
        case 'B': values.append(quint8(*at)); break;
        case 's': values.append(qFromBigEndian<qint16>(at)); break;
        case 'S': values.append(qFromBigEndian<quint16>(at)); break;
        case 'l': values.append(qFromBigEndian<qint32>(at)); break;
        case 'L': values.append(qFromBigEndian<quint32>(at)); break;
        case 'j': values.append(double(qFromBigEndian<qint64>(at))); break;
        case 'J': values.append(double(qFromBigEndian<quint64>(at))); break;
        case 'f': {
            const quint32 bits = qFromBigEndian<quint32>(at);
            float value = 0.0f;
            std::memcpy(&value, &bits, sizeof value);
            values.append(value);
            break;
        }
        default: {
            const quint64 bits = qFromBigEndian<quint64>(at);
            double value = 0.0;
            std::memcpy(&value, &bits, sizeof value);
            values.append(value);
            break;
        }
        }
    }
    return values;
}

// "yymmddhhmmss.sss" as a UTC time; invalid for anything else.
QDateTime ParseUtc(const Entry &E)
{
    if (E.Bytes < UtcTextLength)
        return {};
    const char *text = E.Payload;
    auto number = [text](int At, int Digits) {
        int value = 0;
        for (int i = At; i < At + Digits; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    if (text[12] != '.')
        return {};
    const int year = number(0, 2);
    const int month = number(2, 2);
    const int day = number(4, 2);
    const int hour = number(6, 2);
    const int minute = number(8, 2);
    const int second = number(10, 2);
    const int millisecond = number(13, 3);
    if (std::min({year, month, day, hour, minute, second, millisecond}) < 0)
        return {};
    const QDate date(CenturyBase + year, month, day);
    const QTime time(hour, minute, second, millisecond);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, QTimeZone::utc());
}

void AddFixes(const Stream &S, qint64 StartMs, qint64 DurationMs, GpsFixList &Fixes)
{
    if (S.Positions.isEmpty())
        return;
    double scales[Gps5Fields];
    for (int i = 0; i < Gps5Fields; ++i) {
        if (S.Scales.size() >= Gps5Fields)
            scales[i] = S.Scales[i];
        else if (S.Scales.size() == 1)
            scales[i] = S.Scales[0];
        else
            scales[i] = 1.0;
    }
    qsizetype total = 0;
    for (const Entry &e : S.Positions)
        total += e.Repeat;
    const bool noFix = !std::isnan(S.FixKind) && S.FixKind != Fix2d && S.FixKind != Fix3d;
    qsizetype index = 0;
    for (const Entry &e : S.Positions) {
        for (qsizetype k = 0; k < e.Repeat; ++k, ++index) {
            const char *record = e.Payload + k * Gps5StructBytes;
            auto field = [&](int Field) {
                const double value = qFromBigEndian<qint32>(record + 4 * Field) / scales[Field];
                return std::isfinite(value) ? value : qQNaN();
            };
            GpsFix fix;
            const qint64 into = DurationMs * index / total;
            fix.OffsetMs = StartMs + into;
            if (S.Utc.isValid())
                fix.Utc = S.Utc.addMSecs(into);
            const double latitude = field(LatitudeField);
            const double longitude = field(LongitudeField);
            const double speed = field(Speed2dField);
            fix.Altitude = field(AltitudeField);
            if (!noFix && GpsPosition::IsPlausible(latitude, longitude) && speed >= 0.0) {
                fix.Valid = true;
                fix.Latitude = latitude;
                fix.Longitude = longitude;
                fix.SpeedKmh = speed * MetresPerSecondToKmh;
            }
            Fixes.append(fix);
        }
    }
}

void Walk(const char *Data, qsizetype Size, int Depth, qint64 StartMs, qint64 DurationMs, GpsFixList &Fixes)
{
    Stream stream;
    for (const Entry &entry : Entries(Data, Size)) {
        if (entry.Type == NestedType) {
            if (Depth < GpmfGps::MaxNesting)
                Walk(entry.Payload, entry.Bytes, Depth + 1, StartMs, DurationMs, Fixes);
        } else if (entry.Key == Key("SCAL")) {
            stream.Scales = Numbers(entry, Gps5Fields);
        } else if (entry.Key == Key("GPSU")) {
            stream.Utc = ParseUtc(entry);
        } else if (entry.Key == Key("GPSF")) {
            const QList<double> kind = Numbers(entry, 1);
            if (!kind.isEmpty())
                stream.FixKind = kind.first();
        } else if (entry.Key == Key("GPS5") && entry.Type == 'l' && entry.StructBytes == Gps5StructBytes) {
            stream.Positions.append(entry);
        }
    }
    AddFixes(stream, StartMs, DurationMs, Fixes);
}

} // namespace

QList<GpmfGps::Entry> GpmfGps::ReadEntries(const char *Data, qsizetype Size)
{
    return Entries(Data, Size);
}

QList<double> GpmfGps::ReadNumbers(const Entry &E, qsizetype MaxValues)
{
    return Numbers(E, MaxValues);
}

GpsFixList GpmfGps::Decode(const QByteArray &Sample, qint64 StartMs, qint64 DurationMs)
{
    GpsFixList fixes;
    Walk(Sample.constData(), Sample.size(), 0, StartMs, std::max<qint64>(DurationMs, 0), fixes);
    return fixes;
}

GpsFixList GpmfGps::Read(const Mp4Boxes &Boxes)
{
    const Mp4Box root = Boxes.Root();
    const std::optional<Mp4Box> movie = Boxes.Find(root, "moov");
    if (!movie)
        return {};
    for (const Mp4Box &track : Boxes.FindAll(*movie, "trak")) {
        if (Mp4SampleTable::ReadFormat(Boxes, track) != Mp4Boxes::FourCc("gpmd"))
            continue;
        const Mp4SampleTable table(Boxes, track);
        GpsFixList fixes;
        for (const Mp4Sample &sample : table.Samples()) {
            if (sample.Size > MaxSampleBytes)
                continue;
            const qint64 start = table.Milliseconds(sample.Start);
            const qint64 end = table.Milliseconds(sample.Start + sample.Duration);
            fixes += Decode(Boxes.Read(sample.Offset, sample.Size), start, end - start);
        }
        return fixes;
    }
    return {};
}
