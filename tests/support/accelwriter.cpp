#include "accelwriter.h"

#include "mp4gpswriter.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Gravity = 9.80665;

double Gauss(QRandomGenerator &Random, double Sigma)
{
    // Box-Muller.
    const double u1 = std::max(Random.generateDouble(), 1e-12);
    const double u2 = Random.generateDouble();
    return Sigma * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * Pi * u2);
}

QByteArray BigEndian16(qint16 Value)
{
    QByteArray bytes(2, '\0');
    qToBigEndian(Value, bytes.data());
    return bytes;
}

qint16 Units(double Value, double PerUnit)
{
    return qint16(std::clamp<long>(std::lround(Value * PerUnit), -32768, 32767));
}

} // namespace

RawAccelList AccelWriter::Drive(int Seconds, int RateHz, quint32 Seed, const QList<Moment> &Moments)
{
    QRandomGenerator random(Seed);
    RawAccelList readings;
    const qint64 count = qint64(Seconds) * RateHz;
    // Gentle changes of speed and direction: slow random waves.
    const double speedPeriod = 20.0 + random.bounded(20);
    const double turnPeriod = 8.0 + random.bounded(8);
    const double speedPhase = random.generateDouble() * 2 * Pi;
    const double turnPhase = random.generateDouble() * 2 * Pi;
    for (qint64 i = 0; i < count; ++i) {
        const qint64 ms = i * 1000 / RateHz;
        const double t = ms / 1000.0;
        RawAccel reading;
        reading.OffsetMs = ms;
        reading.Forward = 0.12 * std::sin(2 * Pi * t / speedPeriod + speedPhase) + Gauss(random, 0.03);
        reading.Right = 0.15 * std::sin(2 * Pi * t / turnPeriod + turnPhase) + Gauss(random, 0.03);
        reading.Up = 1.0 + Gauss(random, 0.06);
        // Now and then the road's joints and small holes.
        if (random.bounded(RateHz * 15) == 0)
            reading.Up += (random.bounded(2) ? 1 : -1) * (0.3 + random.generateDouble() * 0.4);
        for (const Moment &moment : Moments) {
            if (ms < moment.StartMs || ms >= moment.StartMs + std::max<qint64>(moment.DurationMs, 1))
                continue;
            if (moment.What == Moment::Braking)
                reading.Forward -= moment.G;
            else if (moment.What == Moment::Accelerating)
                reading.Forward += moment.G;
            else
                reading.Up += moment.G;
        }
        readings.append(reading);
    }
    return readings;
}

QByteArray AccelWriter::ThreeGf(const RawAccelList &Readings)
{
    QByteArray bytes;
    for (const RawAccel &reading : Readings) {
        bytes += Mp4GpsWriter::BigEndian32(quint32(reading.OffsetMs));
        bytes += BigEndian16(Units(reading.Up, 128.0));
        bytes += BigEndian16(Units(reading.Right, 128.0));
        bytes += BigEndian16(Units(-reading.Forward, 128.0));
    }
    return bytes;
}

QByteArray AccelWriter::BlackVueVideo(const GpsFixList &Fixes, const RawAccelList &Readings)
{
    return Mp4GpsWriter::FileType() + Mp4GpsWriter::Box("mdat", QByteArray(64, '\x5a')) + Mp4GpsWriter::Movie()
        + Mp4GpsWriter::Box("free", Mp4GpsWriter::Box("gps ", Mp4GpsWriter::NmeaLines(Fixes))
                                        + Mp4GpsWriter::Box("3gf ", ThreeGf(Readings)));
}

QByteArray AccelWriter::NovatekVideo(const GpsFixList &Fixes, const RawAccelList &Readings)
{
    QByteArray file = Mp4GpsWriter::FileType() + Mp4GpsWriter::Box("mdat", QByteArray(64, '\x5a'));
    QList<QPair<quint32, quint32>> blocks;
    for (qsizetype i = 0; i < Fixes.size(); ++i) {
        QByteArray block = Mp4GpsWriter::NovatekBlock(Fixes[i]);
        // The readings follow the course: the report starts after the size,
        // the marker and four bytes, its time takes 24 and its characters 4,
        // then four floats.
        const qsizetype at = 4 + 8 + 4 + 24 + 4 + 16;
        if (i < Readings.size()) {
            const RawAccel &reading = Readings[i];
            const double values[3] = {reading.Forward, reading.Right, reading.Up};
            for (int k = 0; k < 3; ++k)
                qToLittleEndian(qint32(std::lround(values[k] * 256.0)), block.data() + at + 4 * k);
        }
        blocks.append({quint32(file.size()), quint32(block.size())});
        file += block;
    }
    return file + Mp4GpsWriter::Movie(Mp4GpsWriter::Box("gps ", Mp4GpsWriter::NovatekIndex(blocks)));
}

QByteArray AccelWriter::GoProVideo(const RawAccelList &Readings, int RateHz, const QByteArray &Orientation, int Scale)
{
    const QByteArray order = Orientation.isEmpty() ? QByteArray("ZXY") : Orientation;
    QList<Mp4GpsWriter::Sample> samples;
    for (qsizetype first = 0; first < Readings.size(); first += RateHz) {
        QByteArray values;
        const qsizetype count = std::min<qsizetype>(RateHz, Readings.size() - first);
        for (qsizetype i = first; i < first + count; ++i) {
            // Camera axes: X right, Y up, Z forward.
            const double camera[3] = {Readings[i].Right, Readings[i].Up, Readings[i].Forward};
            for (const char letter : order) {
                const int axis = (letter | 0x20) - 'x';
                const double sign = (letter >= 'a') ? -1.0 : 1.0;
                values += BigEndian16(Units(sign * camera[axis] * Gravity, Scale));
            }
        }
        QByteArray stream = Mp4GpsWriter::GpmfEntry("STNM", 'c', 1, 13, "Accelerometer")
            + Mp4GpsWriter::GpmfEntry("SCAL", 's', 2, 1, BigEndian16(qint16(Scale)));
        if (!Orientation.isEmpty())
            stream += Mp4GpsWriter::GpmfEntry("ORIN", 'c', 1, 3, Orientation);
        stream += Mp4GpsWriter::GpmfEntry("ACCL", 's', 6, int(count), values);
        const QByteArray sample = Mp4GpsWriter::GpmfNested(
            "DEVC", Mp4GpsWriter::GpmfEntry("DVID", 'L', 4, 1, Mp4GpsWriter::BigEndian32(1))
                        + Mp4GpsWriter::GpmfNested("STRM", stream));
        samples.append({sample, 1000});
    }
    const QByteArray head = Mp4GpsWriter::FileType();
    QByteArray data;
    QList<quint64> offsets;
    for (const Mp4GpsWriter::Sample &sample : samples) {
        offsets.append(quint64(head.size() + 8 + data.size()));
        data += sample.Bytes;
    }
    return head + Mp4GpsWriter::Box("mdat", data)
        + Mp4GpsWriter::Movie(Mp4GpsWriter::Track("gpmd", 1000, samples, offsets));
}

QByteArray AccelWriter::NextbaseVideo(const RawAccelList &Readings)
{
    constexpr double UnitsPerG = 1280.0;
    constexpr quint32 LastCueMs = 100;
    const GpsFixList drive = Mp4GpsWriter::Drive(int(Readings.size()));
    QList<Mp4GpsWriter::Sample> cues;
    for (qsizetype i = 0; i < Readings.size(); ++i) {
        const RawAccel &reading = Readings[i];
        const quint32 length = i + 1 < Readings.size() ? quint32(Readings[i + 1].OffsetMs - reading.OffsetMs) : LastCueMs;
        cues.append({Mp4GpsWriter::NextbaseRecord(drive[i], qint32(std::lround(reading.Forward * UnitsPerG)),
                                                  qint32(std::lround(-reading.Right * UnitsPerG)),
                                                  qint32(std::lround(reading.Up * UnitsPerG))),
                     length});
    }
    return Mp4GpsWriter::Subtitles("tx3g", cues);
}
