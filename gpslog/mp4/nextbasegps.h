#ifndef NEXTBASEGPS_H
#define NEXTBASEGPS_H

#include "gpslog/gpsfix.h"
#include "gpslog/mp4/subtitlegps.h"

#include <QByteArrayView>
#include <QDateTime>

#include <array>
#include <optional>

class Mp4Boxes;

// What one Nextbase subtitle record holds.
struct NextbaseRecord
{
    // The camera's clock as it wrote it (its local time).
    QDateTime CameraTime;
    // The accelerometer in g: x, y, z.
    std::array<double, 3> Acceleration{};
    // The fix of its NMEA sentences; its place in the video is the cue's.
    GpsFix Fix;
};

// GPS of Nextbase recorders: every cue of the subtitle track is a binary
// record rather than text: its 16-bit length, four bytes of the camera's
// own, the camera's date and time as "YYYYMMDDhhmmss", the accelerometer as
// three little-endian s32 (y, x, z; y divided by -1280, x and z by 1280 give
// g), then an RMC and a GGA sentence in 128-byte fields padded with zeros.
// The sentences' checksums are computed another way than NMEA's and do not
// match: the text is read all the same (see NmeaSentences).
class NextbaseGps
{
public:
    // One cue's bytes as stored (its length first); nothing when they are
    // no such record. Without an NMEA reader the fix is not Valid.
    static std::optional<NextbaseRecord> Decode(QByteArrayView Cue, const SubtitleGps::NmeaToFixes &Nmea = {});
    // One fix per record of the subtitle track holding the most fixes, at
    // its cue's time.
    static GpsFixList Read(const Mp4Boxes &Boxes, const SubtitleGps::NmeaToFixes &Nmea = {});
};

#endif // NEXTBASEGPS_H
