#include "teslaseiwriter.h"

#include "mp4gpswriter.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

using W = Mp4GpsWriter;

namespace {

constexpr quint8 AccessUnitDelimiter = 9;
constexpr quint8 SequenceParameters = 7;
constexpr quint8 PictureParameters = 8;
constexpr int Width = 160;
constexpr int Height = 120;
constexpr quint32 Timescale = 1000;

QByteArray Varint(quint64 Value)
{
    QByteArray bytes;
    do {
        quint8 byte = Value & 0x7f;
        Value >>= 7;
        if (Value)
            byte |= 0x80;
        bytes += char(byte);
    } while (Value);
    return bytes;
}

QByteArray Tag(int Field, int WireType)
{
    return Varint(quint64(Field) << 3 | quint64(WireType));
}

QByteArray Fixed64(double Value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &Value, sizeof bits);
    QByteArray bytes(8, Qt::Uninitialized);
    qToLittleEndian(bits, bytes.data());
    return bytes;
}

QByteArray Fixed32(float Value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &Value, sizeof bits);
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(bits, bytes.data());
    return bytes;
}

QByteArray BigEndian16(quint16 Value)
{
    QByteArray bytes(2, Qt::Uninitialized);
    qToBigEndian(Value, bytes.data());
    return bytes;
}

quint8 NalType(const QByteArray &Nal)
{
    return Nal.isEmpty() ? 0 : quint8(Nal[0]) & 0x1f;
}

} // namespace

QByteArray TeslaSeiWriter::Message(const TeslaFrame &Frame)
{
    constexpr int Varint = 0;
    constexpr int Bits64 = 1;
    constexpr int Bits32 = 5;
    QByteArray message = Tag(1, Varint) + ::Varint(1);
    // The gear (drive) and the steering wheel angle: fields the player does
    // not read.
    message += Tag(2, Varint) + ::Varint(1);
    if (Frame.FrameSequence)
        message += Tag(3, Varint) + ::Varint(Frame.FrameSequence);
    if (Frame.SpeedMps != 0.0)
        message += Tag(4, Bits32) + Fixed32(float(Frame.SpeedMps));
    message += Tag(6, Bits32) + Fixed32(-12.5f);
    if (Frame.BrakeApplied)
        message += Tag(9, Varint) + ::Varint(1);
    const double doubles[] = {Frame.Latitude, Frame.Longitude, Frame.Heading, Frame.Acceleration[0],
                              Frame.Acceleration[1], Frame.Acceleration[2]};
    for (int i = 0; i < 6; ++i) {
        if (doubles[i] != 0.0)
            message += Tag(11 + i, Bits64) + Fixed64(doubles[i]);
    }
    return message;
}

QByteArray TeslaSeiWriter::Escaped(const QByteArray &Payload)
{
    QByteArray out;
    int zeros = 0;
    for (const char c : Payload) {
        if (zeros >= 2 && quint8(c) <= 3) {
            out += '\x03';
            zeros = 0;
        }
        out += c;
        zeros = c == 0 ? zeros + 1 : 0;
    }
    return out;
}

QByteArray TeslaSeiWriter::SeiNal(const QByteArray &Message, int Padding)
{
    const QByteArray payload = QByteArray(Padding, '\x42') + '\x69' + Message;
    QByteArray rbsp(1, '\x05');
    qsizetype size = payload.size();
    for (; size >= 255; size -= 255)
        rbsp += '\xff';
    rbsp += char(quint8(size));
    rbsp += payload;
    rbsp += '\x80';
    return '\x06' + Escaped(rbsp);
}

QList<QList<QByteArray>> TeslaSeiWriter::AccessUnits(const QByteArray &AnnexB)
{
    QList<QByteArray> nals;
    qsizetype start = -1;
    for (qsizetype k = 0; k + 2 < AnnexB.size(); ++k) {
        if (AnnexB[k] != 0 || AnnexB[k + 1] != 0 || AnnexB[k + 2] != 1)
            continue;
        if (start >= 0)
            nals.append(AnnexB.mid(start, k - start));
        start = k + 3;
        k += 2;
    }
    if (start >= 0)
        nals.append(AnnexB.mid(start));
    QList<QList<QByteArray>> units;
    for (QByteArray nal : nals) {
        // The zero of a four-byte start code belongs to no unit.
        while (!nal.isEmpty() && nal.back() == '\0')
            nal.chop(1);
        if (NalType(nal) == AccessUnitDelimiter || units.isEmpty())
            units.append(QList<QByteArray>());
        units.last().append(nal);
    }
    return units;
}

QByteArray TeslaSeiWriter::Mp4(const QByteArray &AnnexB, int FrameRate,
                               const std::function<QList<QByteArray>(int Frame)> &SeiFor)
{
    QByteArray sps;
    QByteArray pps;
    QList<W::Sample> samples;
    const QList<QList<QByteArray>> units = AccessUnits(AnnexB);
    for (const QList<QByteArray> &unit : units) {
        QList<QByteArray> nals = SeiFor(int(samples.size()));
        for (const QByteArray &nal : unit) {
            const quint8 type = NalType(nal);
            if (type == SequenceParameters && sps.isEmpty())
                sps = nal;
            else if (type == PictureParameters && pps.isEmpty())
                pps = nal;
            else if (type != AccessUnitDelimiter && type != SequenceParameters && type != PictureParameters)
                nals.append(nal);
        }
        QByteArray bytes;
        for (const QByteArray &nal : nals)
            bytes += W::BigEndian32(quint32(nal.size())) + nal;
        samples.append({bytes, quint32(Timescale / quint32(FrameRate))});
    }
    if (sps.size() < 4 || pps.isEmpty())
        return {};
    const QByteArray avcC = W::Box("avcC", QByteArray(1, '\x01') + sps.mid(1, 3) + '\xff' + '\xe1'
                                               + BigEndian16(quint16(sps.size())) + sps + '\x01'
                                               + BigEndian16(quint16(pps.size())) + pps);
    const QByteArray entry = QByteArray(6, '\0') + BigEndian16(1) + QByteArray(16, '\0') + BigEndian16(Width)
        + BigEndian16(Height) + W::BigEndian32(0x00480000) + W::BigEndian32(0x00480000) + W::BigEndian32(0)
        + BigEndian16(1) + QByteArray(32, '\0') + BigEndian16(0x18) + BigEndian16(0xffff) + avcC;
    QByteArray matrix;
    for (quint32 m : {0x00010000u, 0u, 0u, 0u, 0x00010000u, 0u, 0u, 0u, 0x40000000u})
        matrix += W::BigEndian32(m);
    const QByteArray tkhd = W::Box("tkhd", QByteArray("\0\0\0\x03", 4) + W::BigEndian32(0) + W::BigEndian32(0)
                                               + W::BigEndian32(1) + W::BigEndian32(0) + W::BigEndian32(0)
                                               + QByteArray(8, '\0') + QByteArray(8, '\0') + matrix
                                               + W::BigEndian32(quint32(Width) << 16)
                                               + W::BigEndian32(quint32(Height) << 16));
    const QByteArray mediaHeader = W::Box("vmhd", QByteArray("\0\0\0\x01", 4) + QByteArray(8, '\0'))
        + W::Box("dinf", W::FullBox("dref", 0, W::BigEndian32(1) + W::Box("url ", QByteArray("\0\0\0\x01", 4))));
    const QByteArray head = W::FileType();
    QByteArray data;
    QList<quint64> offsets;
    for (const W::Sample &sample : samples) {
        offsets.append(quint64(head.size() + 8 + data.size()));
        data += sample.Bytes;
    }
    return head + W::Box("mdat", data)
        + W::Movie(W::TrackOf(W::Box("avc1", entry), "vide", "Generated video", mediaHeader, Timescale, samples,
                              offsets, false, tkhd));
}

TeslaFrame TeslaSeiWriter::DriveFrame(int Frame, int FrameRate)
{
    const double seconds = double(Frame) / FrameRate;
    TeslaFrame frame;
    frame.OffsetMs = Frame * 1000 / FrameRate;
    frame.FrameSequence = quint64(4000 + Frame);
    frame.SpeedMps = (60.0 + seconds * 0.5) / 3.6;
    frame.BrakeApplied = Frame % 10 == 0;
    frame.Latitude = 52.190583 + seconds * 0.00011;
    frame.Longitude = 20.789483 + seconds * 0.00018;
    frame.Heading = 45.0;
    frame.Acceleration = {0.25 * (Frame % 4), -0.5, 9.81};
    return frame;
}

QByteArray TeslaSeiWriter::Drive(const QByteArray &AnnexB, int FrameRate)
{
    return Mp4(AnnexB, FrameRate, [FrameRate](int Frame) {
        return QList<QByteArray>{SeiNal(Message(DriveFrame(Frame, FrameRate)))};
    });
}

QByteArray TeslaSeiWriter::Accelerating(const QByteArray &AnnexB, int FrameRate, const RawAccelList &Readings)
{
    return Mp4(AnnexB, FrameRate, [&](int Frame) {
        TeslaFrame frame = DriveFrame(Frame, FrameRate);
        frame.Acceleration = {};
        if (Frame < Readings.size()) {
            const RawAccel &reading = Readings[Frame];
            frame.Acceleration = {reading.Forward * StandardGravity, -reading.Right * StandardGravity,
                                  reading.Up * StandardGravity};
        }
        return QList<QByteArray>{SeiNal(Message(frame))};
    });
}
