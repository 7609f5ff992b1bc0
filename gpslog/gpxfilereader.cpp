#include "gpxfilereader.h"

#include "gpslog/filesuffixes.h"
#include "gpslog/gpstrack.h"
#include "gpslog/gpxreader.h"

#include <QFile>

namespace {

constexpr QByteArrayView RootElement("<gpx");

} // namespace

bool GpxFileReader::Accepts(const QString &Path, QByteArrayView Head) const
{
    return HasSuffixOf(Path, GpxSideSuffixes) || Head.contains(RootElement);
}

bool GpxFileReader::Read(const QString &Path, GpsTrack &Track) const
{
    QFile file(Path);
    if (!OpenRegularFile(file))
        return false;
    const GpxTrack gpx = GpxReader::Read(file);
    if (gpx.Fixes.isEmpty() && !gpx.Error.isEmpty())
        return false;
    for (const GpsFix &fix : gpx.Fixes)
        Track.Append(fix);
    return true;
}
