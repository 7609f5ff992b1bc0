// Fuzz target for the NMEA reader: the input read as bytes and through a
// device must give the same fixes; every fix must hold plausible numbers
// (a valid one a position on the Earth, finite speeds, courses within a
// circle); and the fixes written as GPX and read back keep their positions,
// times and speeds. Any break stops the run.

#include "fixchecks.h"
#include "fuzztarget.h"
#include "gpslog/nmeareader.h"

#include <QBuffer>

namespace {

using namespace fixchecks;

// Beyond what every reader's fixes hold: NMEA gives two-digit years and no
// offsets into a video.
void CheckNmeaFix(const GpsFix &Fix)
{
    CheckFix(Fix);
    if (Fix.OffsetMs < -1)
        Finding("negative offset");
    if (Fix.Utc.isValid() && (Fix.Utc.date().year() < 1980 || Fix.Utc.date().year() > 2079))
        Finding("time out of the two-digit years");
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
        CheckNmeaFix(log.Fixes[k]);
        if (!SameFix(log.Fixes[k], fromDevice.Fixes[k]))
            Finding("bytes and device give different fixes");
    }
    if (log.Fixes.size() > log.Sentences || log.Sentences + log.Rejected > bytes.count('$'))
        Finding("more fixes or sentences than the input holds");

    CheckGpxRoundTrip(log.Fixes, [](const QDateTime &) { return true; });
    return 0;
}
