#ifndef VIDEOGPSFILEREADER_H
#define VIDEOGPSFILEREADER_H

#include "gpslog/gpsreader.h"

// A video that holds its own GPS (see VideoGpsReader): each fix carries its
// place in the video.
class VideoGpsFileReader : public GpsReader
{
public:
    Timing FixTiming() const override { return Timing::VideoOffset; }
    // An MP4/QuickTime file: named .mp4/.mov/.m4v, or starting with a box
    // such a file starts with.
    bool Accepts(const QString &Path, QByteArrayView Head) const override;
    // True for any readable file; a video without GPS adds nothing.
    bool Read(const QString &Path, GpsTrack &Track) const override;
};

#endif // VIDEOGPSFILEREADER_H
