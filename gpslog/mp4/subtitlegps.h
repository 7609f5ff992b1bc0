#ifndef SUBTITLEGPS_H
#define SUBTITLEGPS_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

class Mp4Boxes;

// One sample of a subtitle track: its place in the video and its bytes.
struct SubtitleCue
{
    qint64 StartMs = 0;
    qint64 DurationMs = 0;
    // The sample as stored, its 16-bit length first; at most
    // SubtitleGps::MaxCueBytes of it.
    QByteArray Bytes;
};

// GPS that recorders write into a text subtitle track of an MP4 or
// QuickTime file ('tx3g' of MP4, 'text' of QuickTime): each cue holds the
// NMEA sentences of its time, or one line "<date> <time> <latitude>
// <longitude> <speed>" (date as 2019-11-30, 2019/11/30 or 2019.11.30; time
// of day with seconds, in the recorder's local time unless followed by "Z",
// "UTC", "GMT" or an offset such as "+02:00"; signed decimal degrees or
// degrees with a hemisphere letter before or after them; the speed in km/h
// unless a unit follows: "km/h", "kmh", "kph", "mph", "m/s", "kn"). A cue's
// fixes take the cue's place in the video.
class SubtitleGps
{
public:
    // Only the start of a cue is read: text lines and records are short.
    static constexpr int MaxCueBytes = 4096;

    using NmeaToFixes = std::function<GpsFixList(const QByteArray &Text)>;
    using CueVisitor = std::function<void(const SubtitleCue &Cue)>;

    // Calls Visit for every cue of every text subtitle track, a track at a
    // time in the order of the file, a cue at a time in time order; Track
    // counts the subtitle tracks from 0.
    static void ForEachCue(const Mp4Boxes &Boxes, const std::function<void(int Track, const SubtitleCue &Cue)> &Visit);

    // The fixes of the subtitle track holding the most fixes; NMEA text is
    // read only with a reader (see EmbeddedGps::NmeaToFixes).
    static GpsFixList Read(const Mp4Boxes &Boxes, const NmeaToFixes &Nmea = {});

    // A cue's text: the bytes its 16-bit length announces, without the zero
    // bytes that pad them; nothing when the cue holds fewer.
    static QByteArray CueText(const SubtitleCue &Cue);
    // The fixes of one cue, spread over its duration; none for a cue
    // holding neither.
    static GpsFixList DecodeCue(const SubtitleCue &Cue, const NmeaToFixes &Nmea = {});
    // One "<date> <time> <latitude> <longitude> <speed>" line; nothing when
    // the line is not one. A position off the globe or a speed that is no
    // car's gives a fix that is not Valid.
    static std::optional<GpsFix> DecodeLine(QByteArrayView Line);
};

#endif // SUBTITLEGPS_H
