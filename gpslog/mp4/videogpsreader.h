#ifndef VIDEOGPSREADER_H
#define VIDEOGPSREADER_H

#include "gpslog/mp4/embeddedgps.h"
#include "gpslog/gpsreader.h"

// A video that holds its own GPS (see EmbeddedGps for the layouts): each
// fix carries its place in the video.
class VideoGpsReader : public GpsReader
{
public:
    Timing FixTiming() const override { return Timing::VideoOffset; }
    // An MP4/QuickTime file: named .mp4/.mov/.m4v, or starting with a box
    // such a file starts with.
    bool Accepts(const QString &Path, QByteArrayView Head) const override;
    // True for any readable file; a video without GPS adds nothing.
    bool Read(const QString &Path, GpsTrack &Track) const override;

    // The GPS of the video at Path, or on an open device, the BlackVue
    // layout's text read by the NMEA reader.
    static EmbeddedGps::Result ReadVideo(const QString &Path);
    static EmbeddedGps::Result ReadVideo(QIODevice &Device);
    // Opens the video (a regular file only) for reading.
    static bool OpenVideo(QFile &File);
};

#endif // VIDEOGPSREADER_H
