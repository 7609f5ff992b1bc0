#ifndef GPMFGPS_H
#define GPMFGPS_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QList>

class Mp4Boxes;

// GPS of GoPro cameras: the samples of the metadata track whose sample
// description is 'gpmd' hold GPMF, a tree of big-endian key-length-value
// entries (four-character key, type, struct size, repeat count, payload
// padded to four bytes). A stream holding 'GPS5' gives its fixes: latitude,
// longitude, altitude, 2D and 3D speed as int32, each divided by the
// matching 'SCAL' value; 'GPSU' tells the UTC time and 'GPSF' the kind of
// fix (0 none, 2 2D, 3 3D).
class GpmfGps
{
public:
    // A sample longer than this is skipped (GoPro writes a few kilobytes a
    // second).
    static constexpr int MaxSampleBytes = 16 * 1024 * 1024;
    // Nested entries deeper than this are not looked into.
    static constexpr int MaxNesting = 8;

    // The fixes of the first 'gpmd' track, in sample order.
    static GpsFixList Read(const Mp4Boxes &Boxes);

    // The fixes of one sample covering DurationMs from StartMs of the video:
    // the fixes of a 'GPS5' entry are spread evenly over that span, and each
    // is given the stream's 'GPSU' time plus its place in the span.
    static GpsFixList Decode(const QByteArray &Sample, qint64 StartMs, qint64 DurationMs);

    // One key-length-value entry; Payload points into the walked bytes.
    struct Entry
    {
        quint32 Key = 0;
        char Type = 0;
        qsizetype StructBytes = 0;
        qsizetype Repeat = 0;
        const char *Payload = nullptr;
        qsizetype Bytes = 0;
    };
    // The entries at one level, up to the first that does not fit (the
    // other sensors' readers walk GPMF with these).
    static QList<Entry> ReadEntries(const char *Data, qsizetype Size);
    // At most MaxValues numbers of an entry of a plain numeric type; empty
    // for other types.
    static QList<double> ReadNumbers(const Entry &E, qsizetype MaxValues);
};

#endif // GPMFGPS_H
