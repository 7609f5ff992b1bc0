// Fuzz target for the GPS of Tesla camera files: the input as the payload
// of one SEI message, as one NAL unit, as one sample (length-prefixed and
// Annex B), and as a whole file (the probe through the box walker, then the
// frames through libavformat). A fix off the globe, a frame before the
// video's start, or more frames than the bound stops the run; the frames'
// acceleration must keep what every G-sensor reader keeps (accelcheck.h).

#include "accelcheck.h"
#include "fuzztarget.h"
#include "gpslog/accel/teslaaccel.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/teslagps.h"
#include "videofixchecks.h"

#include <QBuffer>

extern "C" {
#include <libavutil/log.h>
}

namespace {

using namespace videofixchecks;

void CheckFrames(const QList<TeslaFrame> &Frames)
{
    if (Frames.size() > TeslaGps::MaxFrames)
        Finding("more frames than the bound");
    RawAccelList readings;
    for (const TeslaFrame &frame : Frames) {
        if (frame.OffsetMs < 0)
            Finding("a frame before the video's start");
        Check(TeslaGps::ToFix(frame));
        RawAccel reading;
        if (TeslaAccel::Decode(frame, reading))
            readings.append(reading);
    }
    AccelCheck::Check(readings);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    // libavformat tells of every damaged file on standard error.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(Data), qsizetype(Size));
    if (const std::optional<TeslaFrame> frame = TeslaGps::DecodeUserData(bytes))
        CheckFrames({*frame});
    CheckFrames(TeslaGps::DecodeNal(bytes));
    CheckFrames(TeslaGps::DecodeSample(bytes, 4));
    CheckFrames(TeslaGps::DecodeSample(bytes, 1));
    CheckFrames(TeslaGps::DecodeSample(bytes, 0));

    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        Finding("cannot open the buffer");
    const Mp4Boxes boxes(buffer);
    const GpsFixList fixes = TeslaGps::Read(buffer, boxes);
    Check(fixes);
    if (fixes.size() > TeslaGps::MaxFrames)
        Finding("more fixes than the bound");
    return 0;
}
