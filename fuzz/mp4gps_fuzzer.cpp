// Fuzz target for the GPS stored inside videos: the input as a whole file
// through the box walker, every track's sample table and every layout's
// reader (then placed one fix a video second by the movie header's length),
// and as one GPMF sample, one 70mai box payload and one Novatek
// block. A valid fix off the globe or without a finite speed, a sample
// outside the file, samples that together outgrow it, or text beyond its
// bound stops the run.

#include "fuzztarget.h"
#include "gpslog/mp4/blackvuegps.h"
#include "gpslog/mp4/embeddedgps.h"
#include "gpslog/mp4/gpmfgps.h"
#include "gpslog/gpsposition.h"
#include "gpslog/gpsseconds.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/mp4sampletable.h"
#include "gpslog/mp4/novatekgps.h"
#include "gpslog/mp4/seventymaigps.h"
#include "gpslog/videospan.h"

#include <QBuffer>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Finding(const char *What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

void Check(const GpsFix &Fix)
{
    if (Fix.OffsetMs < -1)
        Finding("negative offset");
    if (!Fix.Valid)
        return;
    if (!GpsPosition::IsPlausible(Fix.Latitude, Fix.Longitude))
        Finding("valid fix off the globe or at 0,0");
    if (!std::isfinite(Fix.SpeedKmh) || Fix.SpeedKmh < 0.0)
        Finding("valid fix without a finite speed");
}

void Check(const GpsFixList &Fixes)
{
    for (const GpsFix &fix : Fixes)
        Check(fix);
}

void CheckTables(const Mp4Boxes &Boxes)
{
    const std::optional<Mp4Box> movie = Boxes.Find("moov");
    if (!movie)
        return;
    for (const Mp4Box &track : Boxes.FindAll(*movie, "trak")) {
        const Mp4SampleTable table(Boxes, track);
        qint64 total = 0;
        for (const Mp4Sample &sample : table.Samples()) {
            if (sample.Offset < 0 || sample.Size < 0 || sample.Offset + sample.Size > Boxes.FileSize())
                Finding("sample outside the file");
            total += sample.Size;
        }
        if (total > Boxes.FileSize())
            Finding("samples outgrow the file");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(Data), qsizetype(Size));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        Finding("cannot open the buffer");
    const Mp4Boxes boxes(buffer);

    CheckTables(boxes);
    Check(SeventyMaiGps::Read(boxes));
    Check(NovatekGps::Read(boxes));
    Check(GpmfGps::Read(boxes));
    if (BlackVueGps::NmeaText(boxes).size() > BlackVueGps::MaxTextBytes)
        Finding("NMEA text beyond its bound");
    const EmbeddedGps::Result result = EmbeddedGps::Read(buffer, [](const QByteArray &Text) {
        if (Text.isEmpty() || Text.size() > BlackVueGps::MaxTextBytes)
            Finding("NMEA text empty or beyond its bound");
        return GpsFixList();
    });
    Check(result.Fixes);
    if ((result.Source == EmbeddedGps::Layout::None) != (EmbeddedGps::ValidFixCount(result.Fixes) == 0))
        Finding("fixes without a layout, or a layout without a fix");

    // The movie header's length, and the fixes placed one a second by it.
    const VideoSpan span = VideoSpan::FromMovieHeader(buffer);
    if (span.DurationMs < -1 || span.DurationMs > GpsSeconds::MaxSeconds * 1000)
        Finding("movie length beyond a day");
    const GpsSeconds::Result seconds = GpsSeconds::Place(result.Fixes, GpsReader::Timing::VideoOffset, span);
    if (seconds.Track.Size() > GpsSeconds::MaxSeconds || seconds.PlacedFixes > seconds.SourceFixes)
        Finding("per-second track beyond its bound");
    Check(seconds.Track.Fixes());

    Check(GpmfGps::Decode(bytes, 0, 1000));
    Check(SeventyMaiGps::Decode(bytes));
    Check(NovatekGps::Decode(bytes));
    return 0;
}
