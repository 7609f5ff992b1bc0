#ifndef SRTREADER_H
#define SRTREADER_H

#include "gpslog/gpsfix.h"

#include <QByteArrayView>

class QIODevice;

// What a telemetry subtitle file holds.
struct SrtTelemetry
{
    // One fix per cue that gives a position, in the file's order. OffsetMs
    // is the cue's start in the video; a cue without a timing line follows
    // the one before by the difference of their clock times, or by a second
    // where either has none (the first such cue is at 0). Utc is the cue's
    // clock time, which the camera writes in its own (the computer's) local
    // time; invalid without one. A position that is no place on the Earth
    // (0,0 before the receiver has a fix) gives a fix that is not Valid.
    // Where a cue gives no speed, it is worked out from the distance to the
    // fix at least a second before it (the fixes of the first second take
    // the first speed worked out; 0 where there is none).
    GpsFixList Fixes;
    // Cues read, with or without a position.
    int Cues = 0;
    // The device could not be read to its end; the fixes read before are kept.
    bool ReadError = false;
};

// Reads the telemetry subtitles (.SRT) that DJI drones and action cameras,
// and recorders copying their layout, write beside a video: cues of an
// index, a timing line ("00:00:01,000 --> 00:00:02,000", missing in some),
// a date and time, and a position in one of these dialects:
//   GPS(lon,lat,alt)  and  GPS (lon, lat, alt)    the longitude first
//   GPS(lat,lon,altM)                             an altitude in metres with
//                                                 its "M": the latitude first
//   [latitude: x] [longitude: y]                  also "longtitude", with or
//                                                 without a blank before ":",
//                                                 [altitude: z] or abs_alt: z
// A file may mix dialects from cue to cue; which coordinate is which is
// told by the dialect alone, never by the values. "H.S <m/s>" is the speed.
// Text in UTF-8, with or without its byte-order mark; lines end in LF or
// CR LF; a line longer than any cue's is skipped whole.
class SrtReader
{
public:
    static SrtTelemetry Read(QByteArrayView Bytes);
    // Reads from the device's current position to its end, a piece at a time.
    static SrtTelemetry Read(QIODevice &Device);
    // Whether the first bytes of a text hold a position in one of the dialects.
    static bool LooksLikeTelemetry(QByteArrayView Head);
};

#endif // SRTREADER_H
