#ifndef FIXCHECKS_H
#define FIXCHECKS_H

// Checks the reader fuzz targets share: a finding stops the run; fixes are
// compared number for number; a fix must hold plausible numbers; fixes
// written as GPX must read back with the same positions, times, elevations,
// speeds and courses.
#include "gpslog/gpsfix.h"
#include "gpslog/gpxreader.h"
#include "gpslog/gpxwriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace fixchecks {

[[noreturn]] inline void Finding(const char *What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

inline bool Same(double A, double B)
{
    return (std::isnan(A) && std::isnan(B)) || A == B;
}

// Degrees between two longitudes, 180 and -180 being the same meridian.
inline double LongitudeGap(double A, double B)
{
    const double gap = std::fabs(A - B);
    return std::min(gap, 360.0 - gap);
}

inline bool SameFix(const GpsFix &A, const GpsFix &B)
{
    return A.Valid == B.Valid && A.Utc == B.Utc && Same(A.Latitude, B.Latitude) && Same(A.Longitude, B.Longitude)
        && Same(A.SpeedKmh, B.SpeedKmh) && Same(A.Altitude, B.Altitude) && Same(A.Course, B.Course)
        && A.OffsetMs == B.OffsetMs;
}

// What holds for a fix of any reader: a valid one on the Earth and not at
// 0,0; a finite speed of at least 0; a course within a circle; a finite
// altitude; a time in UTC.
inline void CheckFix(const GpsFix &Fix)
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
    if (Fix.Utc.isValid() && Fix.Utc.timeSpec() != Qt::UTC)
        Finding("time not in UTC");
}

// Writes the fixes as GPX and reads them back: the valid ones must come back
// in order with the same numbers (speed and course in Garmin's extension); TimeKept tells whether a fix's time can be
// written (beyond it the read fix has none).
inline void CheckGpxRoundTrip(const GpsFixList &Fixes, const std::function<bool(const QDateTime &)> &TimeKept)
{
    GpsFixList written;
    for (const GpsFix &fix : Fixes) {
        if (fix.Valid)
            written.append(fix);
    }
    const GpxTrack again = GpxReader::Read(GpxWriter::Write(Fixes));
    if (!again.Error.isEmpty() || again.Fixes.size() != written.size())
        Finding("written GPX does not read back");
    for (qsizetype k = 0; k < written.size(); ++k) {
        const GpsFix &a = written[k];
        const GpsFix &b = again.Fixes[k];
        if (!b.Valid || std::fabs(a.Latitude - b.Latitude) > 1e-7 || LongitudeGap(a.Longitude, b.Longitude) > 1e-7
            || (TimeKept(a.Utc) ? a.Utc != b.Utc : b.Utc.isValid()) || !Same(a.Altitude, b.Altitude)
            || std::fabs(a.SpeedKmh - b.SpeedKmh) > 1e-9 * std::max(1.0, a.SpeedKmh))
            Finding("written GPX reads back other numbers");
        // The course is written below 360 (north as 0), where known.
        const double course = a.Course == 360.0 ? 0.0 : a.Course;
        if (!Same(course, b.Course))
            Finding("written GPX reads back another course");
    }
}

} // namespace fixchecks

#endif // FIXCHECKS_H
