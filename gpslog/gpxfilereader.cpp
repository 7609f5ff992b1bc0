#include "gpxfilereader.h"

#include "gpslog/gpstrack.h"
#include "gpslog/gpxreader.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr QLatin1String Suffix("gpx");
constexpr QByteArrayView RootElement("<gpx");

} // namespace

bool GpxFileReader::Accepts(const QString &Path, QByteArrayView Head) const
{
    return QFileInfo(Path).suffix().compare(Suffix, Qt::CaseInsensitive) == 0 || Head.contains(RootElement);
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
