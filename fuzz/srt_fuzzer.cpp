// Fuzz target for the telemetry subtitle reader: the input read as bytes and
// through a device must give the same fixes; every fix must hold plausible
// numbers (a valid one a position on the Earth, a finite speed, an offset
// into the video of at least 0); there are no more fixes than cues; and the
// fixes written as GPX and read back keep their positions, times and speeds.
// Any break stops the run.

#include "fixchecks.h"
#include "fuzztarget.h"
#include "gpslog/srtreader.h"

#include <QBuffer>

#include <cmath>

namespace {

using namespace fixchecks;

// Years an ISO 8601 time written by the writer can hold.
constexpr int FirstWrittenYear = 1;
constexpr int LastWrittenYear = 9999;

bool Writable(const QDateTime &Utc)
{
    return Utc.isValid() && Utc.date().year() >= FirstWrittenYear && Utc.date().year() <= LastWrittenYear;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const SrtTelemetry telemetry = SrtReader::Read(bytes);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const SrtTelemetry fromDevice = SrtReader::Read(buffer);
    if (fromDevice.Fixes.size() != telemetry.Fixes.size() || fromDevice.Cues != telemetry.Cues
        || fromDevice.ReadError)
        Finding("bytes and device read differently");
    if (telemetry.Fixes.size() > telemetry.Cues)
        Finding("more fixes than cues");
    for (qsizetype k = 0; k < telemetry.Fixes.size(); ++k) {
        const GpsFix &fix = telemetry.Fixes[k];
        CheckFix(fix);
        if (fix.OffsetMs < 0)
            Finding("a fix without its place in the video");
        if (!fix.Valid && (!std::isnan(fix.Latitude) || !std::isnan(fix.Longitude)))
            Finding("coordinates on a cue without a position");
        if (!SameFix(fix, fromDevice.Fixes[k]))
            Finding("bytes and device give different fixes");
    }

    CheckGpxRoundTrip(telemetry.Fixes, Writable);
    return 0;
}
