#ifndef TESLAGPS_H
#define TESLAGPS_H

#include "gpslog/gpsfix.h"

#include <QByteArrayView>
#include <QList>

#include <array>
#include <optional>

class Mp4Boxes;
class QIODevice;

// What a Tesla car wrote into one frame of its camera file.
struct TeslaFrame
{
    // The frame's time from the start of the video.
    qint64 OffsetMs = 0;
    quint64 FrameSequence = 0;
    double SpeedMps = 0.0;
    bool BrakeApplied = false;
    // Degrees; 0 where the car wrote none (a proto3 default).
    double Latitude = 0.0;
    double Longitude = 0.0;
    double Heading = 0.0;
    // The car's linear acceleration in m/s²: x, y, z.
    std::array<double, 3> Acceleration{};
};

// GPS of Tesla cars: since firmware 2025.44.25 (HW3 and later) every frame
// of a camera file carries the car's speed, position and acceleration in an
// H.264 SEI message of type 5 ("user data unregistered") whose payload is a
// run of 0x42 bytes, one 0x69, then a protobuf message (teslasei.proto). A
// parked car may write none. The frames are read through libavformat's
// packets; a frame's time gives its fix's place in the video (the message
// holds no UTC time).
class TeslaGps
{
public:
    // No more frames are read than this (a day at twelve a second).
    static constexpr qsizetype MaxFrames = 1 << 20;
    // A packet longer than this is skipped.
    static constexpr int MaxPacketBytes = 16 * 1024 * 1024;
    // Before libavformat reads the whole video, the start of this many of
    // its frames, spread over it, is looked at for such a message.
    static constexpr int ProbeFrames = 64;
    static constexpr int ProbeBytes = 4096;

    // The message of one SEI payload of type 5 (its bytes after the payload
    // size, emulation prevention already removed); nothing when it is not
    // one or its protobuf does not parse.
    static std::optional<TeslaFrame> DecodeUserData(QByteArrayView Payload);
    // Every message in one NAL unit (its header byte first, as stored, with
    // emulation prevention bytes); none for other NAL units.
    static QList<TeslaFrame> DecodeNal(QByteArrayView Nal);
    // Every message in one sample (length-prefixed NAL units, LengthBytes
    // of 1 to 4) or, with LengthBytes 0, in Annex B text with start codes.
    static QList<TeslaFrame> DecodeSample(QByteArrayView Sample, int LengthBytes);

    // Whether the start of the video track's frames holds such a message:
    // read through the box walker, a few kilobytes at most.
    static bool Probe(const Mp4Boxes &Boxes);
    // Every frame's message, through libavformat reading the device (open,
    // random access; its position is changed), in presentation order.
    static QList<TeslaFrame> Frames(QIODevice &Device);
    // The fixes of the video on Device: none unless Probe finds a message.
    static GpsFixList Read(QIODevice &Device, const Mp4Boxes &Boxes);

    // A frame as a fix: Valid when its position is one and its speed a
    // car's; course from the heading.
    static GpsFix ToFix(const TeslaFrame &Frame);
};

#endif // TESLAGPS_H
