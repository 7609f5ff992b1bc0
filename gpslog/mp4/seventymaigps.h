#ifndef SEVENTYMAIGPS_H
#define SEVENTYMAIGPS_H

#include "gpslog/gpsfix.h"

#include <QByteArray>

class Mp4Boxes;

// GPS of 70mai recorders: a top-level 'GPS ' box of fixed-size records, one
// a second, each with its second into the video, the speed and the position;
// the box has room for more records than the video has seconds and leaves
// the rest zero.
class SeventyMaiGps
{
public:
    static constexpr int RecordSize = 36;
    // No more records are read than this (a day at one a second).
    static constexpr int MaxRecords = 24 * 60 * 60;

    // The records of every top-level 'GPS ' box, in file order.
    static GpsFixList Read(const Mp4Boxes &Boxes);
    // The records of a box's payload; a record of zeros is an unused slot
    // and gives nothing, a partial record at the end is ignored.
    static GpsFixList Decode(const QByteArray &Payload);
};

#endif // SEVENTYMAIGPS_H
