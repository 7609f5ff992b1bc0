#include "gpmfaccel.h"

#include "gpslog/mp4/gpmfgps.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/mp4sampletable.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int Channels = 3;
constexpr char NestedType = 0;
constexpr char TextType = 'c';
constexpr char DefaultOrientation[] = "ZXY";

// For each channel, the camera axis (0 X, 1 Y, 2 Z) and its sign.
struct Orientation
{
    std::array<int, Channels> Axis{2, 0, 1};
    std::array<double, Channels> Sign{1.0, 1.0, 1.0};
};

std::optional<Orientation> ParseOrientation(const char *Text, qsizetype Size)
{
    if (Size < Channels)
        return std::nullopt;
    Orientation orientation;
    bool seen[Channels] = {false, false, false};
    for (int channel = 0; channel < Channels; ++channel) {
        const char letter = Text[channel];
        int axis = -1;
        if (letter == 'X' || letter == 'x')
            axis = 0;
        else if (letter == 'Y' || letter == 'y')
            axis = 1;
        else if (letter == 'Z' || letter == 'z')
            axis = 2;
        if (axis < 0 || seen[axis])
            return std::nullopt;
        seen[axis] = true;
        orientation.Axis[channel] = axis;
        orientation.Sign[channel] = (letter >= 'a') ? -1.0 : 1.0;
    }
    return orientation;
}

struct Stream
{
    QList<double> Scales;
    Orientation Axes = *ParseOrientation(DefaultOrientation, Channels);
    QList<GpmfGps::Entry> Readings;
};

void AddReadings(const Stream &S, qint64 StartMs, qint64 DurationMs, RawAccelList &Readings)
{
    qsizetype total = 0;
    for (const GpmfGps::Entry &entry : S.Readings)
        total += entry.Repeat;
    if (total == 0)
        return;
    qsizetype index = 0;
    for (const GpmfGps::Entry &entry : S.Readings) {
        const QList<double> values = GpmfGps::ReadNumbers(entry, entry.Repeat * Channels);
        const qsizetype records = values.size() / Channels;
        for (qsizetype k = 0; k < records && Readings.size() < AccelReader::MaxReadings; ++k, ++index) {
            double camera[Channels] = {0.0, 0.0, 0.0};
            for (int channel = 0; channel < Channels; ++channel) {
                double scale = 1.0;
                if (S.Scales.size() >= Channels)
                    scale = S.Scales[channel];
                else if (!S.Scales.isEmpty())
                    scale = S.Scales[0];
                const double value = values[k * Channels + channel] / scale / StandardGravity;
                camera[S.Axes.Axis[channel]] = S.Axes.Sign[channel] * value;
            }
            RawAccel reading;
            reading.OffsetMs = StartMs + DurationMs * index / total;
            reading.Right = camera[0];
            reading.Up = camera[1];
            reading.Forward = camera[2];
            Readings.append(reading);
        }
    }
}

void Walk(const char *Data, qsizetype Size, int Depth, qint64 StartMs, qint64 DurationMs, RawAccelList &Readings)
{
    Stream stream;
    for (const GpmfGps::Entry &entry : GpmfGps::ReadEntries(Data, Size)) {
        if (entry.Type == NestedType) {
            if (Depth < GpmfGps::MaxNesting)
                Walk(entry.Payload, entry.Bytes, Depth + 1, StartMs, DurationMs, Readings);
        } else if (entry.Key == Mp4Boxes::FourCc("SCAL")) {
            stream.Scales = GpmfGps::ReadNumbers(entry, Channels);
        } else if (entry.Key == Mp4Boxes::FourCc("ORIN") && entry.Type == TextType) {
            if (const std::optional<Orientation> axes = ParseOrientation(entry.Payload, entry.Bytes))
                stream.Axes = *axes;
        } else if (entry.Key == Mp4Boxes::FourCc("ACCL")) {
            stream.Readings.append(entry);
        }
    }
    AddReadings(stream, StartMs, DurationMs, Readings);
}

} // namespace

RawAccelList GpmfAccel::Decode(const QByteArray &Sample, qint64 StartMs, qint64 DurationMs)
{
    RawAccelList readings;
    Walk(Sample.constData(), Sample.size(), 0, StartMs, std::max<qint64>(DurationMs, 0), readings);
    return readings;
}

RawAccelList GpmfAccel::Read(const QString &, const Mp4Boxes *Boxes) const
{
    if (!Boxes)
        return {};
    const std::optional<Mp4Box> movie = Boxes->Find(Boxes->Root(), "moov");
    if (!movie)
        return {};
    for (const Mp4Box &track : Boxes->FindAll(*movie, "trak")) {
        if (Mp4SampleTable::ReadFormat(*Boxes, track) != Mp4Boxes::FourCc("gpmd"))
            continue;
        const Mp4SampleTable table(*Boxes, track);
        RawAccelList readings;
        for (const Mp4Sample &sample : table.Samples()) {
            if (sample.Size > GpmfGps::MaxSampleBytes || readings.size() >= MaxReadings)
                continue;
            const qint64 start = table.Milliseconds(sample.Start);
            const qint64 end = table.Milliseconds(sample.Start + sample.Duration);
            readings += Decode(Boxes->Read(sample.Offset, sample.Size), start, end - start);
        }
        return readings;
    }
    return {};
}
