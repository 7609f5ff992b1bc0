#ifndef GPMFGPS_H
#define GPMFGPS_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QtNumeric>

class Mp4Boxes;

// One data entry of a GPMF stream ('GPS5', 'GPS9', 'ACCL', ...): its
// samples as stored, and the properties of its stream that apply to it.
struct GpmfEntry
{
    quint32 Key = 0;
    // GPMF's type character: 'l' int32, 's' int16, 'f' float, '?' a
    // structure described by Structure, ...
    char Type = 0;
    // Bytes of one sample, and the number of samples.
    int StructBytes = 0;
    int Repeat = 0;
    QByteArray Payload;
    // The 'SCAL' divisors in force for this entry (one for all fields, or
    // one per field), empty when the stream gives none.
    QList<double> Scales;
    // The 'TYPE' text of a structure ("lllllllSS"), empty when none.
    QByteArray Structure;
};

// One stream of one device in a GPMF sample: the entries at one nesting
// level ('STRM'), with the device ('DEVC') that holds them.
struct GpmfStream
{
    // The device's 'DVID' payload as stored, and its 'DVNM' name.
    QByteArray DeviceId;
    QByteArray DeviceName;
    // 'GPSU' time and 'GPSF' kind of fix of a GPS stream; invalid and NaN
    // where the stream gives none.
    QDateTime Utc;
    double FixKind = qQNaN();
    // Every entry that is no property of the stream, in order.
    QList<GpmfEntry> Data;
};

// GPS of GoPro cameras and of the devices that record into their files (a
// drone, a gimbal): the samples of a metadata track whose sample
// description is 'gpmd' hold GPMF, a tree of big-endian key-length-value
// entries (four-character key, type, struct size, repeat count, payload
// padded to four bytes). Each device ('DEVC', named by 'DVID' and 'DVNM')
// holds streams ('STRM'); a stream holding 'GPS5' gives fixes of latitude,
// longitude, altitude, 2D and 3D speed as int32, each divided by the
// matching 'SCAL' value, with the stream's 'GPSU' UTC time and 'GPSF' kind
// of fix (0 none, 2 2D, 3 3D). Newer cameras write 'GPS9' instead, whose
// every fix carries its own date (days since 2000), time of day, precision
// and kind of fix.
class GpmfGps
{
public:
    // A sample longer than this is skipped (GoPro writes a few kilobytes a
    // second).
    static constexpr int MaxSampleBytes = 16 * 1024 * 1024;
    // Nested entries deeper than this are not looked into.
    static constexpr int MaxNesting = 8;

    // Every stream of a sample, in order; properties ('SCAL', 'TYPE', ...)
    // apply to the data entries after them in their stream, and to those
    // before the first of them.
    static QList<GpmfStream> Streams(const QByteArray &Sample);

    // The fixes of every 'gpmd' track, of the one device that holds the
    // most fixes (two devices' positions are never mixed), in sample order.
    // A device writing both 'GPS5' and 'GPS9' is read from its 'GPS5'.
    static GpsFixList Read(const Mp4Boxes &Boxes);

    // The fixes of one sample covering DurationMs from StartMs of the video,
    // of the device in it with the most fixes: the fixes of a stream are
    // spread evenly over that span, and with 'GPS5' each is given the
    // stream's 'GPSU' time plus its place in the span.
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
