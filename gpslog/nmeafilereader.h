#ifndef NMEAFILEREADER_H
#define NMEAFILEREADER_H

#include "gpslog/gpsreader.h"

// An NMEA 0183 side file (.nmea, .gps, or text that reads as NMEA): the
// receiver's reports, with or without a "[<unix milliseconds>]" stamp. The
// first report is the video's second 0; the ones after it are placed by
// their distance in UTC from it, by their stamps where the log has no
// dates, and one a second where it has neither.
class NmeaFileReader : public GpsReader
{
public:
    Timing FixTiming() const override { return Timing::VideoOffset; }
    bool Accepts(const QString &Path, QByteArrayView Head) const override;
    bool Read(const QString &Path, GpsTrack &Track) const override;
};

#endif // NMEAFILEREADER_H
