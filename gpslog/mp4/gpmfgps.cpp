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
constexpr char StructureType = '?';
// No scale list or structure text is longer than this.
constexpr qsizetype MaxScales = 64;

// GPS5: five int32 a fix.
constexpr int Gps5Fields = 5;
constexpr qsizetype Gps5StructBytes = Gps5Fields * 4;
constexpr int LatitudeField = 0;
constexpr int LongitudeField = 1;
constexpr int AltitudeField = 2;
constexpr int Speed2dField = 3;

// GPS9: latitude, longitude, altitude, 2D and 3D speed, days since 2000,
// seconds since midnight, precision and kind of fix.
constexpr int Gps9Fields = 9;
constexpr int DaysField = 5;
constexpr int SecondsField = 6;
constexpr int FixKindField = 8;
constexpr char Gps9Structure[] = "lllllllSS";
constexpr qint64 MillisecondsPerDay = 24LL * 60 * 60 * 1000;
// Days since 2000 beyond this are no date (the year 2200).
constexpr double MaxDays = 73048;

// GPSU: "yymmddhhmmss.sss".
constexpr qsizetype UtcTextLength = 16;
constexpr int CenturyBase = 2000;

constexpr double Fix2d = 2;
constexpr double Fix3d = 3;

constexpr double MetresPerSecondToKmh = 3.6;
constexpr double MillisecondsPerSecond = 1000.0;

using RawEntry = GpmfGps::Entry;

// The entries at one level, up to the first that does not fit.
QList<RawEntry> Entries(const char *Data, qsizetype Size)
{
    QList<RawEntry> entries;
    qsizetype at = 0;
    while (Size - at >= EntryHeaderBytes) {
        RawEntry entry;
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

// Bytes of one value of a GPMF type; 0 for types that are not numbers.
qsizetype TypeWidth(char Type)
{
    switch (Type) {
    case 'b': case 'B': return 1;
    case 's': case 'S': return 2;
    case 'l': case 'L': case 'f': return 4;
    case 'd': case 'j': case 'J': return 8;
    default: return 0;
    }
}

// One big-endian value of a number type.
double Value(char Type, const char *At)
{
    switch (Type) {
    case 'b': return qint8(*At);
    case 'B': return quint8(*At);
    case 's': return qFromBigEndian<qint16>(At);
    case 'S': return qFromBigEndian<quint16>(At);
    case 'l': return qFromBigEndian<qint32>(At);
    case 'L': return qFromBigEndian<quint32>(At);
    case 'j': return double(qFromBigEndian<qint64>(At));
    case 'J': return double(qFromBigEndian<quint64>(At));
    case 'f': {
        const quint32 bits = qFromBigEndian<quint32>(At);
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    default: {
        const quint64 bits = qFromBigEndian<quint64>(At);
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

// The first numbers of an entry of a plain number type; empty for other
// types.
QList<double> Numbers(const RawEntry &E, qsizetype MaxValues)
{
    QList<double> values;
    const qsizetype width = TypeWidth(E.Type);
    if (width == 0)
        return values;
    const qsizetype count = std::min(E.Bytes / width, MaxValues);
    values.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        values.append(Value(E.Type, E.Payload + i * width));
    return values;
}

// "yymmddhhmmss.sss" as a UTC time; invalid for anything else.
QDateTime ParseUtc(const RawEntry &E)
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

struct DeviceInfo
{
    QByteArray Id;
    QByteArray Name;
};

// Collects the streams of one level and of the levels inside it.
void Walk(const char *Data, qsizetype Size, int Depth, DeviceInfo Device, QList<GpmfStream> &Streams)
{
    const QList<RawEntry> entries = Entries(Data, Size);
    // A device's name and id apply to all it holds, wherever they stand.
    for (const RawEntry &entry : entries) {
        if (entry.Key == Key("DVID"))
            Device.Id = QByteArray(entry.Payload, entry.Bytes);
        else if (entry.Key == Key("DVNM"))
            Device.Name = QByteArray(entry.Payload, entry.Bytes);
    }
    GpmfStream stream;
    stream.DeviceId = Device.Id;
    stream.DeviceName = Device.Name;
    QList<double> scales;
    QByteArray structure;
    // Data entries seen before the first scale or structure take it too.
    qsizetype unscaled = 0;
    qsizetype unstructured = 0;
    for (const RawEntry &entry : entries) {
        if (entry.Type == NestedType) {
            if (Depth < GpmfGps::MaxNesting)
                Walk(entry.Payload, entry.Bytes, Depth + 1, Device, Streams);
        } else if (entry.Key == Key("SCAL")) {
            scales = Numbers(entry, MaxScales);
            for (; unscaled < stream.Data.size(); ++unscaled)
                stream.Data[unscaled].Scales = scales;
        } else if (entry.Key == Key("TYPE")) {
            structure = QByteArray(entry.Payload, std::min(entry.Bytes, MaxScales));
            structure.truncate(qsizetype(qstrnlen(structure.constData(), uint(structure.size()))));
            for (; unstructured < stream.Data.size(); ++unstructured)
                stream.Data[unstructured].Structure = structure;
        } else if (entry.Key == Key("GPSU")) {
            stream.Utc = ParseUtc(entry);
        } else if (entry.Key == Key("GPSF")) {
            const QList<double> kind = Numbers(entry, 1);
            if (!kind.isEmpty())
                stream.FixKind = kind.first();
        } else if (entry.Key != Key("DVID") && entry.Key != Key("DVNM")) {
            GpmfEntry data;
            data.Key = entry.Key;
            data.Type = entry.Type;
            data.StructBytes = int(entry.StructBytes);
            data.Repeat = int(entry.Repeat);
            data.Payload = QByteArray(entry.Payload, entry.Bytes);
            data.Scales = scales;
            data.Structure = structure;
            if (!scales.isEmpty())
                unscaled = stream.Data.size() + 1;
            if (!structure.isEmpty())
                unstructured = stream.Data.size() + 1;
            stream.Data.append(data);
        }
    }
    if (!stream.Data.isEmpty() || stream.Utc.isValid() || !std::isnan(stream.FixKind))
        Streams.append(stream);
}

// The divisor of field Field: one per field, one for all, else none.
double Scale(const GpmfEntry &E, int Field, int Fields)
{
    if (E.Scales.size() >= Fields)
        return E.Scales[Field];
    if (E.Scales.size() == 1)
        return E.Scales[0];
    return 1.0;
}

bool IsGps5(const GpmfEntry &E)
{
    return E.Key == Key("GPS5") && E.Type == 'l' && E.StructBytes == Gps5StructBytes;
}

// The types of a GPS9 structure's fields, or nothing when it is not one.
bool IsGps9(const GpmfEntry &E)
{
    if (E.Key != Key("GPS9"))
        return false;
    const QByteArray structure = E.Type == StructureType && !E.Structure.isEmpty() ? E.Structure
                                                                                    : QByteArray(Gps9Structure);
    if (E.Type != StructureType || structure.size() != Gps9Fields)
        return false;
    qsizetype bytes = 0;
    for (const char type : structure) {
        const qsizetype width = TypeWidth(type);
        if (width == 0)
            return false;
        bytes += width;
    }
    return bytes == E.StructBytes;
}

// The fixes of a stream's entries spread over its span.
class SpanPlacer
{
public:
    SpanPlacer(qint64 StartMs, qint64 DurationMs, qsizetype Total)
        : Start(StartMs), Duration(DurationMs), Count(std::max<qsizetype>(Total, 1))
    {
    }
    qint64 Into(qsizetype Index) const { return Duration * Index / Count; }
    qint64 At(qsizetype Index) const { return Start + Into(Index); }

private:
    qint64 Start;
    qint64 Duration;
    qsizetype Count;
};

void AddGps5(const GpmfStream &S, qint64 StartMs, qint64 DurationMs, GpsFixList &Fixes)
{
    qsizetype total = 0;
    for (const GpmfEntry &e : S.Data)
        total += IsGps5(e) ? e.Repeat : 0;
    const SpanPlacer place(StartMs, DurationMs, total);
    const bool noFix = !std::isnan(S.FixKind) && S.FixKind != Fix2d && S.FixKind != Fix3d;
    qsizetype index = 0;
    for (const GpmfEntry &e : S.Data) {
        if (!IsGps5(e))
            continue;
        for (qsizetype k = 0; k < e.Repeat; ++k, ++index) {
            const char *record = e.Payload.constData() + k * Gps5StructBytes;
            auto field = [&](int Field) {
                const double value = qFromBigEndian<qint32>(record + 4 * Field) / Scale(e, Field, Gps5Fields);
                return std::isfinite(value) ? value : qQNaN();
            };
            GpsFix fix;
            fix.OffsetMs = place.At(index);
            if (S.Utc.isValid())
                fix.Utc = S.Utc.addMSecs(place.Into(index));
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

void AddGps9(const GpmfStream &S, qint64 StartMs, qint64 DurationMs, GpsFixList &Fixes)
{
    qsizetype total = 0;
    for (const GpmfEntry &e : S.Data)
        total += IsGps9(e) ? e.Repeat : 0;
    const SpanPlacer place(StartMs, DurationMs, total);
    qsizetype index = 0;
    for (const GpmfEntry &e : S.Data) {
        if (!IsGps9(e))
            continue;
        const QByteArray structure = e.Structure.isEmpty() ? QByteArray(Gps9Structure) : e.Structure;
        for (qsizetype k = 0; k < e.Repeat; ++k, ++index) {
            double values[Gps9Fields];
            const char *at = e.Payload.constData() + k * e.StructBytes;
            for (int f = 0; f < Gps9Fields; ++f) {
                const double value = Value(structure[f], at) / Scale(e, f, Gps9Fields);
                values[f] = std::isfinite(value) ? value : qQNaN();
                at += TypeWidth(structure[f]);
            }
            GpsFix fix;
            fix.OffsetMs = place.At(index);
            fix.Altitude = values[AltitudeField];
            const double days = values[DaysField];
            const double seconds = values[SecondsField];
            if (days >= 0.0 && days <= MaxDays && seconds >= 0.0 && seconds < MillisecondsPerDay / MillisecondsPerSecond) {
                const qint64 ms = qint64(days) * MillisecondsPerDay + qint64(std::llround(seconds * MillisecondsPerSecond));
                fix.Utc = QDateTime(QDate(CenturyBase, 1, 1), QTime(0, 0), QTimeZone::utc()).addMSecs(ms);
            }
            const double kind = values[FixKindField];
            const double latitude = values[LatitudeField];
            const double longitude = values[LongitudeField];
            const double speed = values[Speed2dField];
            if ((kind == Fix2d || kind == Fix3d) && GpsPosition::IsPlausible(latitude, longitude) && speed >= 0.0) {
                fix.Valid = true;
                fix.Latitude = latitude;
                fix.Longitude = longitude;
                fix.SpeedKmh = speed * MetresPerSecondToKmh;
            }
            Fixes.append(fix);
        }
    }
}

QByteArray DeviceKey(const GpmfStream &S)
{
    return S.DeviceId + '\0' + S.DeviceName;
}

struct DeviceFixes
{
    QByteArray Device;
    GpsFixList Fixes;
};

// The fixes of each device of a sample, in the order the devices come.
QList<DeviceFixes> FixesByDevice(const QList<GpmfStream> &Streams, qint64 StartMs, qint64 DurationMs)
{
    QList<DeviceFixes> devices;
    QList<bool> hasGps5;
    for (const GpmfStream &stream : Streams) {
        const QByteArray key = DeviceKey(stream);
        auto found = std::find_if(devices.begin(), devices.end(), [&](const DeviceFixes &D) { return D.Device == key; });
        if (found == devices.end()) {
            devices.append({key, {}});
            hasGps5.append(false);
            found = devices.end() - 1;
        }
        hasGps5[found - devices.begin()] |= std::any_of(stream.Data.cbegin(), stream.Data.cend(), IsGps5);
    }
    for (qsizetype d = 0; d < devices.size(); ++d) {
        for (const GpmfStream &stream : Streams) {
            if (DeviceKey(stream) != devices[d].Device)
                continue;
            if (hasGps5[d])
                AddGps5(stream, StartMs, DurationMs, devices[d].Fixes);
            else
                AddGps9(stream, StartMs, DurationMs, devices[d].Fixes);
        }
    }
    return devices;
}

qsizetype ValidCount(const GpsFixList &Fixes)
{
    return std::count_if(Fixes.cbegin(), Fixes.cend(), [](const GpsFix &Fix) { return Fix.Valid; });
}

// The fixes of the device with the most valid fixes (the first of equals),
// else of the one with the most fixes.
GpsFixList Busiest(const QList<DeviceFixes> &Devices)
{
    const DeviceFixes *best = nullptr;
    for (const DeviceFixes &device : Devices) {
        if (!best || ValidCount(device.Fixes) > ValidCount(best->Fixes)
            || (ValidCount(device.Fixes) == ValidCount(best->Fixes) && device.Fixes.size() > best->Fixes.size()))
            best = &device;
    }
    return best ? best->Fixes : GpsFixList();
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

QList<GpmfStream> GpmfGps::Streams(const QByteArray &Sample)
{
    QList<GpmfStream> streams;
    Walk(Sample.constData(), Sample.size(), 0, {}, streams);
    return streams;
}

GpsFixList GpmfGps::Decode(const QByteArray &Sample, qint64 StartMs, qint64 DurationMs)
{
    return Busiest(FixesByDevice(Streams(Sample), StartMs, std::max<qint64>(DurationMs, 0)));
}

GpsFixList GpmfGps::Read(const Mp4Boxes &Boxes)
{
    const Mp4Box root = Boxes.Root();
    const std::optional<Mp4Box> movie = Boxes.Find(root, "moov");
    if (!movie)
        return {};
    // Every device of every 'gpmd' track, with all its fixes.
    QList<DeviceFixes> devices;
    int trackNumber = 0;
    for (const Mp4Box &track : Boxes.FindAll(*movie, "trak")) {
        if (Mp4SampleTable::ReadFormat(Boxes, track) != Mp4Boxes::FourCc("gpmd"))
            continue;
        const QByteArray trackKey = QByteArray::number(trackNumber++) + '\0';
        const Mp4SampleTable table(Boxes, track);
        for (const Mp4Sample &sample : table.Samples()) {
            if (sample.Size > MaxSampleBytes)
                continue;
            const qint64 start = table.Milliseconds(sample.Start);
            const qint64 end = table.Milliseconds(sample.Start + sample.Duration);
            const QList<GpmfStream> streams = Streams(Boxes.Read(sample.Offset, sample.Size));
            for (DeviceFixes &found : FixesByDevice(streams, start, std::max<qint64>(end - start, 0))) {
                if (found.Fixes.isEmpty())
                    continue;
                const QByteArray key = trackKey + found.Device;
                auto known = std::find_if(devices.begin(), devices.end(), [&](const DeviceFixes &D) { return D.Device == key; });
                if (known == devices.end())
                    devices.append({key, std::move(found.Fixes)});
                else
                    known->Fixes += found.Fixes;
            }
        }
    }
    return Busiest(devices);
}
