#include "recorderlogfilereader.h"

#include "gpslog/recorderlogreader.h"

#include <QFile>

bool RecorderLogFileReader::Accepts(const QString &, QByteArrayView) const
{
    return true;
}

bool RecorderLogFileReader::Read(const QString &Path, GpsTrack &Track) const
{
    QFile file(Path);
    if (!OpenRegularFile(file))
        return false;
    RecorderLogReader::Read(file, Track);
    return true;
}
