// Fuzz target for GPS in subtitle tracks: the input as one cue (NMEA text,
// a line of date, time and position, or a Nextbase record read through the
// NMEA reader) and as a whole file. A fix off the globe, a fix outside its
// cue's time, or a record without a valid camera time stops the run; the
// records' acceleration must keep what every G-sensor reader keeps
// (accelcheck.h).

#include "accelcheck.h"
#include "fuzztarget.h"
#include "gpslog/accel/nextbaseaccel.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/nextbasegps.h"
#include "gpslog/mp4/subtitlegps.h"
#include "gpslog/nmeareader.h"
#include "videofixchecks.h"

#include <QBuffer>

namespace {

using namespace videofixchecks;

GpsFixList Nmea(const QByteArray &Text)
{
    return NmeaReader::Read(QByteArrayView(Text)).Fixes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(Data), qsizetype(Size));

    SubtitleCue cue;
    cue.StartMs = 7000;
    cue.DurationMs = 1000;
    cue.Bytes = bytes.left(SubtitleGps::MaxCueBytes);
    const GpsFixList fixes = SubtitleGps::DecodeCue(cue, Nmea);
    Check(fixes);
    for (const GpsFix &fix : fixes) {
        if (fix.OffsetMs < cue.StartMs || fix.OffsetMs >= cue.StartMs + cue.DurationMs)
            Finding("a fix outside its cue");
    }
    for (const QByteArray &line : bytes.split('\n')) {
        if (const std::optional<GpsFix> fix = SubtitleGps::DecodeLine(line)) {
            Check(*fix, 1000.0);
            if (!fix->Utc.isValid())
                Finding("a line read without its time");
        }
    }
    if (const std::optional<NextbaseRecord> record = NextbaseGps::Decode(bytes, Nmea)) {
        Check(record->Fix);
        if (!record->CameraTime.isValid())
            Finding("a record without its camera time");
        for (const double axis : record->Acceleration) {
            if (!std::isfinite(axis))
                Finding("acceleration not finite");
        }
    }

    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        Finding("cannot open the buffer");
    const Mp4Boxes boxes(buffer);
    Check(SubtitleGps::Read(boxes, Nmea));
    Check(NextbaseGps::Read(boxes, Nmea));
    AccelCheck::Check(NextbaseAccel().Read(QString(), &boxes));
    return 0;
}
