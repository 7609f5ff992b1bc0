#ifndef NOVATEKGPS_H
#define NOVATEKGPS_H

#include "gpslog/gpsfix.h"
#include "gpslog/mp4/freegpsblock.h"

#include <QByteArray>
#include <QList>

class Mp4Boxes;

// GPS of recorders built on Novatek chips: blocks starting "<size>freeGPS "
// inside the file, one a second of video, each holding the receiver's
// report in one of the layouts FreeGpsBlock knows. Most firmware lists
// them in a 'gps ' box inside 'moov' as (offset, size) pairs; some writes no
// such index, and its blocks are found in the media data ('mdat'), each on
// a 32 KB boundary.
class NovatekGps
{
public:
    // No more blocks are read than this (a day at one a second).
    static constexpr int MaxBlocks = 24 * 60 * 60;
    // Blocks are searched for at any place within this much of the media
    // data's start, and on 32 KB boundaries within ScanBoundariesBytes.
    static constexpr qint64 ScanAnyPlaceBytes = 2 * 1024 * 1024;
    static constexpr qint64 ScanBoundariesBytes = 20 * 1024 * 1024;
    static constexpr qint64 BlockStride = 0x8000;

    // The fixes of the blocks the 'gps ' index lists, block n standing for
    // second n of the video: a block outside the file or unreadable gives a
    // fix that is not Valid, an unused (zero) pair gives nothing.
    static GpsFixList Read(const Mp4Boxes &Boxes, const FreeGpsBlock::NmeaToFixes &Nmea = {});
    // The fixes of the blocks in the first 'mdat' box, without an index:
    // once the first block is found, the others are looked for on the
    // following 32 KB boundaries, each one more second into the video. An
    // 'mdat' box cut by the end of the file is read as far as it goes.
    static GpsFixList Scan(const Mp4Boxes &Boxes, const FreeGpsBlock::NmeaToFixes &Nmea = {});
    // One block as read from the file, from its size field on: its first
    // report (see FreeGpsBlock::Parse).
    static GpsFix Decode(const QByteArray &Bytes);

    // A block as parsed, with the second of the video it stands for.
    struct SecondRecord
    {
        qint64 Second = 0;
        FreeGpsRecord Record;
    };
    // The blocks Read and Scan read, parsed (the G-sensor's reader takes
    // the same parse).
    static QList<SecondRecord> ReadRecords(const Mp4Boxes &Boxes, const FreeGpsBlock::NmeaToFixes &Nmea = {});
    static QList<SecondRecord> ScanRecords(const Mp4Boxes &Boxes, const FreeGpsBlock::NmeaToFixes &Nmea = {});
};

#endif // NOVATEKGPS_H
