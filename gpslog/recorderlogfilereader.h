#ifndef RECORDERLOGFILEREADER_H
#define RECORDERLOGFILEREADER_H

#include "gpslog/gpsreader.h"

// The recorder's log file (see RecorderLogReader): fix N is second N of
// its video.
class RecorderLogFileReader : public GpsReader
{
public:
    Timing FixTiming() const override { return Timing::OneFixPerSecond; }
    // Any file: the recorder writes no mark of its own.
    bool Accepts(const QString &Path, QByteArrayView Head) const override;
    bool Read(const QString &Path, GpsTrack &Track) const override;
};

#endif // RECORDERLOGFILEREADER_H
