#ifndef MP4GPSWRITER_H
#define MP4GPSWRITER_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QTime>
#include <QTimeZone>

// How a generated Novatek block differs from firmware to firmware.
struct NovatekOptions
{
    // Year written in full (2019) rather than less 2000 (19).
    bool FullYear = false;
    // Bytes of firmware-specific fields between the marker and the time:
    // 4 in most firmware, 36 in some.
    int LeadingBytes = 4;
    // Whole block, padded with zeros.
    int BlockSize = 256;
};

// Writes MP4 files with GPS inside, in the layouts recorders use, for tests
// and benchmarks: no public sample of some of them may be shipped. The
// files hold only the boxes the GPS readers look at (and a small 'mdat'),
// unless a real video is given to carry the GPS.
class Mp4GpsWriter
{
public:
    // --- boxes
    // Type is four characters.
    static QByteArray Box(const char *Type, const QByteArray &Payload);
    // With a 64-bit size field.
    static QByteArray LargeBox(const char *Type, const QByteArray &Payload);
    // Version, flags, then Payload.
    static QByteArray FullBox(const char *Type, quint8 Version, const QByteArray &Payload);
    static QByteArray BigEndian32(quint32 Value);
    static QByteArray BigEndian64(quint64 Value);
    static QByteArray LittleEndian32(quint32 Value);
    static QByteArray LittleEndianFloat(float Value);
    // 'ftyp' of an MP4 file.
    static QByteArray FileType();
    // 'moov' holding a bare 'mvhd' and Children.
    static QByteArray Movie(const QByteArray &Children = {});

    // A car driving north-east at about 60 km/h, one fix a second from
    // Start (UTC), with OffsetMs counting from 0.
    static GpsFixList Drive(int Seconds, double Latitude = 52.190583, double Longitude = 20.789483,
                            const QDateTime &Start = QDateTime(QDate(2019, 11, 30), QTime(12, 1, 56),
                                                               QTimeZone::utc()));

    // --- Novatek: 'moov'/'gps ' index of "freeGPS " blocks
    static QByteArray NovatekBlock(const GpsFix &Fix, const NovatekOptions &Options = {});
    // The index payload for blocks of the given (offset, size).
    static QByteArray NovatekIndex(const QList<QPair<quint32, quint32>> &Blocks);
    static QByteArray Novatek(const GpsFixList &Fixes, const NovatekOptions &Options = {});

    // --- 70mai: top-level 'GPS ' box of 36-byte records
    static QByteArray SeventyMaiRecord(const GpsFix &Fix);
    // Slots records in the box (at least one per fix; the rest zero).
    static QByteArray SeventyMaiBox(const GpsFixList &Fixes, int Slots = 0);
    static QByteArray SeventyMai(const GpsFixList &Fixes, int Slots = 0);

    // --- BlackVue: 'free'/'gps ' box of "[unix ms]" NMEA lines (RMC and GGA)
    static QByteArray NmeaLines(const GpsFixList &Fixes);
    static QByteArray BlackVue(const GpsFixList &Fixes);

    // --- GoPro: GPMF samples in a 'gpmd' track
    static QByteArray GpmfEntry(const char *Key, char Type, int StructBytes, int Repeat, const QByteArray &Payload);
    static QByteArray GpmfNested(const char *Key, const QByteArray &Entries);
    // One sample: a device with an accelerometer stream and a GPS stream of
    // Fixes (GPSU from the first fix's time, GPSF FixKind).
    static QByteArray GpmfSample(const GpsFixList &Fixes, int FixKind = 3);
    struct Sample
    {
        QByteArray Bytes;
        quint32 Duration = 0;
    };
    // A 'trak' of Format whose samples lie at the given offsets, one chunk
    // each (co64 with LargeOffsets).
    static QByteArray Track(const char *Format, quint32 Timescale, const QList<Sample> &Samples,
                            const QList<quint64> &Offsets, bool LargeOffsets = false);
    // A file with a video-less 'gpmd' track, one sample per FixesPerSample
    // fixes, each sample lasting one second.
    static QByteArray GoPro(const GpsFixList &Fixes, int FixesPerSample = 10);

    // --- real videos carrying GPS (for playing): Video must end with its
    // 'moov' box, as ffmpeg writes MP4 and QuickTime files; empty otherwise.
    static QByteArray WithNovatekGps(const QByteArray &Video, const GpsFixList &Fixes);
    static QByteArray WithSeventyMaiGps(const QByteArray &Video, const GpsFixList &Fixes);
    static QByteArray WithBlackVueGps(const QByteArray &Video, const GpsFixList &Fixes);
};

#endif // MP4GPSWRITER_H
