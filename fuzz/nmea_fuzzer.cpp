// Fuzz target for the NMEA reader: the input read as bytes and through a
// device must give the same fixes; every fix must hold plausible numbers
// (a valid one a position on the Earth, finite speeds, courses within a
// circle); and the fixes written as GPX and read back keep their positions,
// times and speeds. Any break stops the run.

#include "fuzztarget.h"
#include "gpslog/gpxreader.h"
#include "gpslog/gpxwriter.h"
#include "gpslog/nmeareader.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Finding(const char *What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

bool Same(double A, double B)
{
    return (std::isnan(A) && std::isnan(B)) || A == B;
}

// Degrees between two longitudes, 180 and -180 being the same meridian.
double LongitudeGap(double A, double B)
{
    const double gap = std::fabs(A - B);
    return std::min(gap, 360.0 - gap);
}

bool SameFix(const GpsFix &A, const GpsFix &B)
{
    return A.Valid == B.Valid && A.Utc == B.Utc && Same(A.Latitude, B.Latitude) && Same(A.Longitude, B.Longitude)
        && Same(A.SpeedKmh, B.SpeedKmh) && Same(A.Altitude, B.Altitude) && Same(A.Course, B.Course)
        && A.OffsetMs == B.OffsetMs;
}

void CheckFix(const GpsFix &Fix)
{
    if (Fix.Valid) {
        if (!(std::fabs(Fix.Latitude) <= 90.0 && std::fabs(Fix.Longitude) <= 180.0))
            Finding("valid fix off the Earth");
        if (Fix.Latitude == 0.0 && Fix.Longitude == 0.0)
            Finding("valid fix at 0,0");
    }
    if (!std::isfinite(Fix.SpeedKmh) || Fix.SpeedKmh < 0.0)
        Finding("speed not a finite number of at least 0");
    if (!std::isnan(Fix.Course) && !(Fix.Course >= 0.0 && Fix.Course <= 360.0))
        Finding("course outside a circle");
    if (!std::isnan(Fix.Altitude) && !std::isfinite(Fix.Altitude))
        Finding("altitude not finite");
    if (Fix.OffsetMs < -1)
        Finding("negative offset");
    if (Fix.Utc.isValid() && (Fix.Utc.timeSpec() != Qt::UTC || Fix.Utc.date().year() < 1980
                              || Fix.Utc.date().year() > 2079))
        Finding("time not in UTC or out of the two-digit years");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const NmeaLog log = NmeaReader::Read(bytes);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const NmeaLog fromDevice = NmeaReader::Read(buffer);
    if (fromDevice.Fixes.size() != log.Fixes.size() || fromDevice.StampOriginMs != log.StampOriginMs
        || fromDevice.Sentences != log.Sentences || fromDevice.Rejected != log.Rejected || fromDevice.ReadError)
        Finding("bytes and device read differently");
    for (qsizetype k = 0; k < log.Fixes.size(); ++k) {
        CheckFix(log.Fixes[k]);
        if (!SameFix(log.Fixes[k], fromDevice.Fixes[k]))
            Finding("bytes and device give different fixes");
    }
    if (log.Fixes.size() > log.Sentences || log.Sentences + log.Rejected > bytes.count('$'))
        Finding("more fixes or sentences than the input holds");

    GpsFixList written;
    for (const GpsFix &fix : log.Fixes) {
        if (fix.Valid)
            written.append(fix);
    }
    const GpxTrack track = GpxReader::Read(GpxWriter::Write(log.Fixes));
    if (!track.Error.isEmpty() || track.Fixes.size() != written.size())
        Finding("written GPX does not read back");
    for (qsizetype k = 0; k < written.size(); ++k) {
        const GpsFix &a = written[k];
        const GpsFix &b = track.Fixes[k];
        if (!b.Valid || std::fabs(a.Latitude - b.Latitude) > 1e-7
            || LongitudeGap(a.Longitude, b.Longitude) > 1e-7
            || a.Utc != b.Utc || !Same(a.Altitude, b.Altitude)
            || std::fabs(a.SpeedKmh - b.SpeedKmh) > 1e-9 * std::max(1.0, a.SpeedKmh))
            Finding("written GPX reads back other numbers");
    }
    return 0;
}
