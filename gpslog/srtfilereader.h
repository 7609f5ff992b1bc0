#ifndef SRTFILEREADER_H
#define SRTFILEREADER_H

#include "gpslog/gpsreader.h"

// A telemetry subtitle file (.SRT) that a drone or an action camera writes
// beside its video (see SrtReader for the dialects): each cue's start is
// its fix's place in the video.
class SrtFileReader : public GpsReader
{
public:
    Timing FixTiming() const override { return Timing::VideoOffset; }
    // A ".srt" file, or one whose first bytes hold a position in one of the
    // dialects.
    bool Accepts(const QString &Path, QByteArrayView Head) const override;
    // The cues read before a break in the file count.
    bool Read(const QString &Path, GpsTrack &Track) const override;
};

#endif // SRTFILEREADER_H
