#ifndef VIDEOFIXCHECKS_H
#define VIDEOFIXCHECKS_H

// Checks the fuzz targets of the GPS inside videos share: a finding stops
// the run; a fix must hold plausible numbers.
#include "gpslog/gpsfix.h"
#include "gpslog/gpsposition.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace videofixchecks {

[[noreturn]] inline void Finding(const char *What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

// A valid fix on the globe and not at 0,0, with a finite speed of at least
// 0 (and of no more than MaxSpeedKmh); a course within a circle; a finite
// altitude; a time at UTC; an offset into the video of at least 0, or -1.
inline void Check(const GpsFix &Fix, double MaxSpeedKmh = 1e6)
{
    if (Fix.OffsetMs < -1)
        Finding("negative offset");
    if (Fix.Utc.isValid() && Fix.Utc.offsetFromUtc() != 0)
        Finding("time not at UTC");
    if (!std::isnan(Fix.Course) && !(Fix.Course >= 0.0 && Fix.Course <= 360.0))
        Finding("course outside a circle");
    if (!std::isnan(Fix.Altitude) && !std::isfinite(Fix.Altitude))
        Finding("altitude not finite");
    if (!Fix.Valid)
        return;
    if (!GpsPosition::IsPlausible(Fix.Latitude, Fix.Longitude))
        Finding("valid fix off the globe or at 0,0");
    if (!std::isfinite(Fix.SpeedKmh) || Fix.SpeedKmh < 0.0 || Fix.SpeedKmh > MaxSpeedKmh)
        Finding("valid fix without a plausible speed");
}

inline void Check(const GpsFixList &Fixes, double MaxSpeedKmh = 1e6)
{
    for (const GpsFix &fix : Fixes)
        Check(fix, MaxSpeedKmh);
}

} // namespace videofixchecks

#endif // VIDEOFIXCHECKS_H
