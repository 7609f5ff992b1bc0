#ifndef NOVATEKGPS_H
#define NOVATEKGPS_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QList>

class Mp4Boxes;

// GPS of recorders built on Novatek chips: a 'gps ' box inside 'moov' lists
// (offset, size) pairs of blocks elsewhere in the file, one block a second
// of video, each starting "<size>freeGPS " and holding one receiver report.
// Where the report's fields lie in the block differs from firmware to
// firmware, so they are found from the status and hemisphere characters.
class NovatekGps
{
public:
    // No more blocks are read than this (a day at one a second).
    static constexpr int MaxBlocks = 24 * 60 * 60;
    // Only the start of a block is read: the report lies there, the rest is
    // padding.
    static constexpr int MaxBlockBytes = 1024;

    // One fix per listed block, at its place in the list in seconds; a block
    // outside the file or unreadable gives a fix that is not Valid, an
    // unused (zero) pair gives nothing.
    static GpsFixList Read(const Mp4Boxes &Boxes);
    // One block as read from the file, from its size field on; only its
    // first MaxBlockBytes are looked at.
    static GpsFix Decode(const QByteArray &Bytes);

    // Where a listed block lies, and the second of video it stands for.
    struct Block
    {
        qint64 Offset = 0;
        qint64 Size = 0;
        qint64 OffsetMs = 0;
    };
    // The blocks the index lists, unused (zero) pairs left out; the
    // accelerometer reader walks the same blocks.
    static QList<Block> Blocks(const Mp4Boxes &Boxes);
    // Where the report's status byte lies in a block (its time lies before
    // it, its position, speed and course after); -1 when the block holds no
    // report.
    static qsizetype ReportAt(const QByteArray &Bytes);
};

#endif // NOVATEKGPS_H
