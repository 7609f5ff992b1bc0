// Fuzz target for the GPX reader and writer: the input read as bytes and
// through a device must give the same fixes and the same verdict; every fix
// must hold plausible numbers; and the fixes written as GPX and read back
// keep their positions, times, elevations and speeds. Any break stops the
// run.

#include "fuzztarget.h"
#include "gpslog/gpxreader.h"
#include "gpslog/gpxwriter.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Years an ISO 8601 time written by the writer can hold.
constexpr int FirstWrittenYear = 1;
constexpr int LastWrittenYear = 9999;

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
    } else if (!std::isnan(Fix.Latitude) || !std::isnan(Fix.Longitude)) {
        Finding("coordinates on a point without a position");
    }
    if (!std::isfinite(Fix.SpeedKmh) || Fix.SpeedKmh < 0.0)
        Finding("speed not a finite number of at least 0");
    if (!std::isnan(Fix.Course) && !(Fix.Course >= 0.0 && Fix.Course <= 360.0))
        Finding("course outside a circle");
    if (!std::isnan(Fix.Altitude) && !std::isfinite(Fix.Altitude))
        Finding("altitude not finite");
    if (Fix.Utc.isValid() && Fix.Utc.timeSpec() != Qt::UTC)
        Finding("time not in UTC");
}

bool Writable(const QDateTime &Utc)
{
    return Utc.isValid() && Utc.date().year() >= FirstWrittenYear && Utc.date().year() <= LastWrittenYear;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const GpxTrack track = GpxReader::Read(bytes);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const GpxTrack fromDevice = GpxReader::Read(buffer);
    if (fromDevice.Fixes.size() != track.Fixes.size() || fromDevice.From != track.From
        || fromDevice.Error.isEmpty() != track.Error.isEmpty())
        Finding("bytes and device read differently");
    for (qsizetype k = 0; k < track.Fixes.size(); ++k) {
        CheckFix(track.Fixes[k]);
        if (!SameFix(track.Fixes[k], fromDevice.Fixes[k]))
            Finding("bytes and device give different fixes");
    }
    if ((track.From == GpxTrack::Source::None) != track.Fixes.isEmpty())
        Finding("fixes without a source, or a source without fixes");

    GpsFixList written;
    for (const GpsFix &fix : track.Fixes) {
        if (fix.Valid)
            written.append(fix);
    }
    const GpxTrack again = GpxReader::Read(GpxWriter::Write(track.Fixes));
    if (!again.Error.isEmpty() || again.Fixes.size() != written.size())
        Finding("written GPX does not read back");
    for (qsizetype k = 0; k < written.size(); ++k) {
        const GpsFix &a = written[k];
        const GpsFix &b = again.Fixes[k];
        if (!b.Valid || std::fabs(a.Latitude - b.Latitude) > 1e-7
            || LongitudeGap(a.Longitude, b.Longitude) > 1e-7
            || (Writable(a.Utc) ? a.Utc != b.Utc : b.Utc.isValid()) || !Same(a.Altitude, b.Altitude)
            || std::fabs(a.SpeedKmh - b.SpeedKmh) > 1e-9 * std::max(1.0, a.SpeedKmh))
            Finding("written GPX reads back other numbers");
    }
    return 0;
}
