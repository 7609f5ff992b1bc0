// Fuzz target for the GPX reader and writer: the input read as bytes and
// through a device must give the same fixes and the same verdict; every fix
// must hold plausible numbers; and the fixes written as GPX and read back
// keep their positions, times, elevations and speeds. Any break stops the
// run.

#include "fixchecks.h"
#include "fuzztarget.h"
#include "gpslog/gpxreader.h"

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
        if (!track.Fixes[k].Valid && (!std::isnan(track.Fixes[k].Latitude) || !std::isnan(track.Fixes[k].Longitude)))
            Finding("coordinates on a point without a position");
        if (!SameFix(track.Fixes[k], fromDevice.Fixes[k]))
            Finding("bytes and device give different fixes");
    }
    if ((track.From == GpxTrack::Source::None) != track.Fixes.isEmpty())
        Finding("fixes without a source, or a source without fixes");

    CheckGpxRoundTrip(track.Fixes, Writable);
    return 0;
}
