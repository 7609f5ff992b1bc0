#ifndef ACCELCHECK_H
#define ACCELCHECK_H

#include "events/ueventdetector.h"
#include "gpslog/accel/accelreader.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

// What every G-sensor reader's output must keep, whatever the bytes: within
// its bounds, finite, in time order once made a trace, and the detector
// finding no more events than there are readings.
namespace AccelCheck {

[[noreturn]] inline void Finding(const char *What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

inline void Check(const RawAccelList &Readings)
{
    if (Readings.size() > AccelReader::MaxReadings)
        Finding("more readings than the bound");
    const AccelTrace trace = AccelReader::ToTrace(QStringLiteral("Fuzz"), Readings);
    if (trace.Stuck && !trace.Samples.isEmpty())
        Finding("a stuck sensor with readings");
    for (qsizetype i = 0; i < trace.Samples.size(); ++i) {
        const AccelSample &sample = trace.Samples[i];
        for (const double value : {sample.Longitudinal, sample.Lateral, sample.Vertical}) {
            if (!std::isfinite(value) || std::fabs(value) > 2 * AccelReader::MaxG)
                Finding("a reading beyond the sensor");
        }
        if (sample.OffsetMs < 0 || (i > 0 && sample.OffsetMs < trace.Samples[i - 1].OffsetMs))
            Finding("readings out of time order");
    }
    const UEventList events = UEventDetector::FromAccel(trace);
    if (events.size() > trace.Samples.size())
        Finding("more events than readings");
}

} // namespace AccelCheck

#endif // ACCELCHECK_H
