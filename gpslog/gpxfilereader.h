#ifndef GPXFILEREADER_H
#define GPXFILEREADER_H

#include "gpslog/gpsreader.h"

// A GPX document (a phone's or a navigator's track): its points with their
// UTC times, lined up with a video through the video's start time.
class GpxFileReader : public GpsReader
{
public:
    Timing FixTiming() const override { return Timing::UtcOnly; }
    // A ".gpx" file, or one whose first bytes hold a <gpx element.
    bool Accepts(const QString &Path, QByteArrayView Head) const override;
    // The points read before a break in the document count; a document
    // broken before its first point cannot be read.
    bool Read(const QString &Path, GpsTrack &Track) const override;
};

#endif // GPXFILEREADER_H
