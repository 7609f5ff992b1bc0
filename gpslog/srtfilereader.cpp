#include "srtfilereader.h"

#include "gpslog/filesuffixes.h"
#include "gpslog/gpstrack.h"
#include "gpslog/srtreader.h"

#include <QFile>

bool SrtFileReader::Accepts(const QString &Path, QByteArrayView Head) const
{
    return HasSuffixOf(Path, SrtSideSuffixes) || SrtReader::LooksLikeTelemetry(Head);
}

bool SrtFileReader::Read(const QString &Path, GpsTrack &Track) const
{
    QFile file(Path);
    if (!OpenRegularFile(file))
        return false;
    const SrtTelemetry telemetry = SrtReader::Read(file);
    if (telemetry.ReadError && telemetry.Fixes.isEmpty())
        return false;
    for (const GpsFix &fix : telemetry.Fixes)
        Track.Append(fix);
    return true;
}
