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

#include <functional>

// How a generated Novatek block differs from firmware to firmware.
struct NovatekOptions
{
    // The block's layout (see FreeGpsRecord::Layout); FloatReport is the
    // layout of the time after LeadingBytes, then status, hemispheres and
    // float coordinates.
    enum class Layout
    {
        FloatReport,
        FloatStatusWord,
        FloatYearFirst,
        DoubleReport,
        DoubleReportEarlyStatus,
        IntegerReport,
        XorText,
        NmeaText,
        ShiftedNmea,
        FloatRecords,
        IntegerRecords,
        // "freeGPS " and zeros: a second without a fix.
        Zeros,
    };
    Layout Kind = Layout::FloatReport;
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
    // A block of several reports (FloatRecords or IntegerRecords).
    static QByteArray NovatekRecordsBlock(const GpsFixList &Reports, const NovatekOptions &Options);
    // The index payload for blocks of the given (offset, size).
    static QByteArray NovatekIndex(const QList<QPair<quint32, quint32>> &Blocks);
    static QByteArray Novatek(const GpsFixList &Fixes, const NovatekOptions &Options = {});

    // --- Novatek without a 'gps ' index: blocks of 32 KB on 32 KB boundaries
    // of 'mdat', each after 32 KB of other bytes (LeadingMediaBytes before
    // the first); the 'moov' box holds no index.
    static QByteArray NovatekUnindexed(const GpsFixList &Fixes, const NovatekOptions &Options = {},
                                       int LeadingMediaBytes = 0x8000);

    // --- 70mai: top-level 'GPS ' box of 36-byte records
    static QByteArray SeventyMaiRecord(const GpsFix &Fix);
    // Slots records in the box (at least one per fix; the rest zero).
    static QByteArray SeventyMaiBox(const GpsFixList &Fixes, int Slots = 0);
    static QByteArray SeventyMai(const GpsFixList &Fixes, int Slots = 0);
    // An empty 'GPS ' box, then one box for each part (with one unused slot).
    static QByteArray SeventyMaiBoxes(const QList<GpsFixList> &Parts);

    // --- BlackVue: 'free'/'gps ' box of "[unix ms]" NMEA lines (RMC and GGA)
    static QByteArray NmeaLines(const GpsFixList &Fixes);
    static QByteArray BlackVue(const GpsFixList &Fixes);

    // --- GoPro: GPMF samples in a 'gpmd' track
    static QByteArray GpmfEntry(const char *Key, char Type, int StructBytes, int Repeat, const QByteArray &Payload);
    static QByteArray GpmfNested(const char *Key, const QByteArray &Entries);
    // One sample: a device with an accelerometer stream and a GPS stream of
    // Fixes (GPSU from the first fix's time, GPSF FixKind).
    static QByteArray GpmfSample(const GpsFixList &Fixes, int FixKind = 3);
    // A 'STRM' of GPS5 fixes (GPSU from the first fix's time, GPSF FixKind).
    static QByteArray GpmfGps5Stream(const GpsFixList &Fixes, int FixKind = 3);
    // A 'STRM' of GPS9 fixes (each with its own time; FixKind for all).
    static QByteArray GpmfGps9Stream(const GpsFixList &Fixes, int FixKind = 3);
    // A 'STRM' of accelerometer readings.
    static QByteArray GpmfAccelerometerStream();
    // A 'DEVC' with its id (a number, or four characters), name and streams.
    static QByteArray GpmfDevice(const QByteArray &Id, const QByteArray &Name, const QByteArray &Streams);
    struct Sample
    {
        QByteArray Bytes;
        quint32 Duration = 0;
    };
    // A 'trak' of one sample description (a box), handler and name, its
    // 'minf' starting with MediaHeader, whose samples lie at the given
    // offsets, one chunk each (co64 with LargeOffsets); TrackHeader ('tkhd')
    // comes first when given.
    static QByteArray TrackOf(const QByteArray &Description, const char *Handler, const QByteArray &Name,
                              const QByteArray &MediaHeader, quint32 Timescale, const QList<Sample> &Samples,
                              const QList<quint64> &Offsets, bool LargeOffsets = false,
                              const QByteArray &TrackHeader = {});
    // A 'trak' of Format whose samples lie at the given offsets, one chunk
    // each (co64 with LargeOffsets).
    static QByteArray Track(const char *Format, quint32 Timescale, const QList<Sample> &Samples,
                            const QList<quint64> &Offsets, bool LargeOffsets = false);
    // A file with a video-less 'gpmd' track, one sample per FixesPerSample
    // fixes, each sample lasting one second.
    static QByteArray GoPro(const GpsFixList &Fixes, int FixesPerSample = 10);
    // A file with one 'gpmd' track of the given samples, a second each.
    static QByteArray GoProSamples(const QList<QByteArray> &Samples);

    // --- subtitle tracks
    // RMC and GGA sentences of the fixes, without stamps.
    static QByteArray PlainNmea(const GpsFixList &Fixes);
    // A cue's bytes: the 16-bit length, then the text.
    static QByteArray Cue(const QByteArray &Text);
    // A subtitle 'trak' ('tx3g' with handler 'sbtl', or QuickTime 'text'
    // with handler 'text') whose samples lie at the given offsets.
    static QByteArray SubtitleTrack(const char *Format, const QList<Sample> &Cues, const QList<quint64> &Offsets);
    // A file with one subtitle track of the given cues, each lasting its
    // duration (in ms), and an 'mdat' holding them.
    static QByteArray Subtitles(const char *Format, const QList<Sample> &Cues);
    // One cue a fix with its RMC and GGA sentences.
    static QByteArray NmeaSubtitles(const GpsFixList &Fixes, const char *Format = "tx3g");
    // One cue a fix with "2019-11-30 12:01:56 52.190583 20.789483 60.0"
    // (the time in UTC written as local time of the zone OffsetSeconds ahead
    // of UTC), or as Line turns a fix into text.
    static QByteArray LineSubtitles(const GpsFixList &Fixes, const char *Format = "tx3g");
    static QByteArray DateTimeLine(const GpsFix &Fix, int OffsetSeconds = 0, const QByteArray &Suffix = {});
    // A Nextbase record: length, camera time, accelerometer, RMC and GGA in
    // zero-padded fields with checksums that do not match.
    static QByteArray NextbaseRecord(const GpsFix &Fix, qint32 AccelerationX = 128, qint32 AccelerationY = -256,
                                     qint32 AccelerationZ = 1280);
    static QByteArray Nextbase(const GpsFixList &Fixes, const char *Format = "tx3g");

    // File (ending with its 'moov' box) with a track appended to that box,
    // its samples in an 'mdat' after it; MakeTrack makes the track for the
    // samples' offsets.
    static QByteArray WithTrackAfter(const QByteArray &File, const QList<Sample> &Samples,
                                     const std::function<QByteArray(const QList<quint64> &Offsets)> &MakeTrack);
    // Video with Child added at the end of its final 'moov' box; empty when
    // the file does not end with one.
    static QByteArray AppendToMovie(const QByteArray &Video, const QByteArray &Child);

    // --- real videos carrying GPS (for playing): Video must end with its
    // 'moov' box, as ffmpeg writes MP4 and QuickTime files; empty otherwise.
    static QByteArray WithNovatekGps(const QByteArray &Video, const GpsFixList &Fixes);
    static QByteArray WithSeventyMaiGps(const QByteArray &Video, const GpsFixList &Fixes);
    static QByteArray WithBlackVueGps(const QByteArray &Video, const GpsFixList &Fixes);
    // A subtitle track of NMEA cues appended to the video's 'moov', the cues
    // after it.
    static QByteArray WithNmeaSubtitles(const QByteArray &Video, const GpsFixList &Fixes);
};

#endif // MP4GPSWRITER_H
