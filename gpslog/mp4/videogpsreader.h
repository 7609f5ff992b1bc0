#ifndef VIDEOGPSREADER_H
#define VIDEOGPSREADER_H

#include "gpslog/mp4/embeddedgps.h"

class QFile;

// The GPS a video holds (see EmbeddedGps for the layouts), the BlackVue
// layout's text read by the NMEA reader: each fix carries its place in the
// video.
class VideoGpsReader
{
public:
    // The GPS of the video at Path, or on an open device.
    static EmbeddedGps::Result ReadVideo(const QString &Path);
    static EmbeddedGps::Result ReadVideo(QIODevice &Device);
    // Opens the video (a regular file only) for reading.
    static bool OpenVideo(QFile &File);
};

#endif // VIDEOGPSREADER_H
