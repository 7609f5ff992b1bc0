#ifndef TESLASEIWRITER_H
#define TESLASEIWRITER_H

#include "gpslog/accel/accelreader.h"
#include "gpslog/gpsfix.h"
#include "gpslog/mp4/teslagps.h"

#include <QByteArray>
#include <QList>

#include <functional>

// Writes MP4 files as Tesla cars record them, for tests: no public sample
// may be shipped. The pictures come from an H.264 stream made by ffmpeg
// (Annex B, with access unit delimiters); each frame gets the SEI message
// the car writes, built here by hand from its fields.
class TeslaSeiWriter
{
public:
    // The protobuf message of a frame's fields (those left 0 are omitted, as
    // proto3 writes them).
    static QByteArray Message(const TeslaFrame &Frame);
    // The SEI NAL unit of a message: type 5, its size, Padding bytes 0x42,
    // 0x69, the message, the stop byte; emulation prevention bytes inserted.
    static QByteArray SeiNal(const QByteArray &Message, int Padding = 3);
    // Emulation prevention: a 0x03 after two zeros before any byte up to 3.
    static QByteArray Escaped(const QByteArray &Payload);

    // The access units of an Annex B stream, each a list of NAL units
    // (without start codes), split at the access unit delimiters.
    static QList<QList<QByteArray>> AccessUnits(const QByteArray &AnnexB);
    // An MP4 file of the stream's frames at FrameRate, each sample holding
    // the NAL units SeiFor gives for that frame (may be none) before its own.
    static QByteArray Mp4(const QByteArray &AnnexB, int FrameRate,
                          const std::function<QList<QByteArray>(int Frame)> &SeiFor);

    // One frame of a car driving as Mp4GpsWriter::Drive does, at Frame of
    // FrameRate.
    static TeslaFrame DriveFrame(int Frame, int FrameRate);
    // Every frame of the stream with its drive frame's message.
    static QByteArray Drive(const QByteArray &AnnexB, int FrameRate);
    // The same, frame i's acceleration being Readings[i] (in g, turned into
    // what the car writes: m/s², y to the left); frames past the readings
    // write none.
    static QByteArray Accelerating(const QByteArray &AnnexB, int FrameRate, const RawAccelList &Readings);
};

#endif // TESLASEIWRITER_H
