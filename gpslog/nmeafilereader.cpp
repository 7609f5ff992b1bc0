#include "nmeafilereader.h"

#include "gpslog/filesuffixes.h"
#include "gpslog/gpstrack.h"
#include "gpslog/nmeareader.h"

#include <QFile>

namespace {

constexpr qint64 MillisecondsPerSecond = 1000;

// Places the reports on the video's time line (see the class comment).
void PlaceReports(GpsFixList &Fixes)
{
    const GpsFix *firstDated = nullptr;
    for (const GpsFix &fix : Fixes) {
        if (fix.Utc.isValid()) {
            firstDated = &fix;
            break;
        }
    }
    const bool stamped = !Fixes.isEmpty() && Fixes.constFirst().OffsetMs >= 0;
    const QDateTime origin = firstDated ? firstDated->Utc : QDateTime();
    // Reports before the first dated one (and any without a time in a dated
    // log) keep their place one second apart from the report before.
    qint64 previous = -MillisecondsPerSecond;
    for (GpsFix &fix : Fixes) {
        qint64 offset;
        if (origin.isValid() && fix.Utc.isValid())
            offset = origin.msecsTo(fix.Utc);
        else if (!origin.isValid() && stamped && fix.OffsetMs >= 0)
            offset = fix.OffsetMs;
        else
            offset = previous + MillisecondsPerSecond;
        fix.OffsetMs = offset;
        previous = offset;
    }
    // The dated reports count from the first one in the file, not from the
    // first dated one.
    if (origin.isValid() && !Fixes.isEmpty() && Fixes.constFirst().OffsetMs != 0) {
        const qint64 shift = Fixes.constFirst().OffsetMs;
        for (GpsFix &fix : Fixes)
            fix.OffsetMs -= shift;
    }
}

} // namespace

bool NmeaFileReader::Accepts(const QString &Path, QByteArrayView Head) const
{
    return HasSuffixOf(Path, NmeaSideSuffixes) || NmeaReader::LooksLikeNmea(Head);
}

bool NmeaFileReader::Read(const QString &Path, GpsTrack &Track) const
{
    QFile file(Path);
    if (!OpenRegularFile(file))
        return false;
    NmeaLog log = NmeaReader::Read(file);
    if (log.ReadError && log.Fixes.isEmpty())
        return false;
    PlaceReports(log.Fixes);
    for (const GpsFix &fix : std::as_const(log.Fixes))
        Track.Append(fix);
    return true;
}
