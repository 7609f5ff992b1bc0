// Fuzz target for Novatek's "freeGPS " blocks: the input as one block, read
// as found through the index and as found in the media data, with the NMEA
// reader for the layouts holding sentences; and as a whole file, its index
// followed and its media data scanned. A fix off the globe, a speed no car
// drives, a report beyond what a block can hold, or more blocks than the
// bound stops the run.

#include "fuzztarget.h"
#include "gpslog/mp4/freegpsblock.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/novatekgps.h"
#include "gpslog/nmeareader.h"
#include "videofixchecks.h"

#include <QBuffer>

namespace {

using namespace videofixchecks;

// Faster than the readers take: 500 knots.
constexpr double MaxSpeedKmh = 926.0;
// The most reports one block's bytes can hold (32 bytes each).
constexpr qsizetype MaxReportsPerBlock = FreeGpsBlock::MaxBlockBytes / 32;

GpsFixList Nmea(const QByteArray &Text)
{
    return NmeaReader::Read(QByteArrayView(Text)).Fixes;
}

void CheckRecord(const FreeGpsRecord &Record)
{
    if (Record.Fixes.isEmpty() || Record.Fixes.size() > MaxReportsPerBlock)
        Finding("a block gives no report or more than it can hold");
    Check(Record.Fixes, MaxSpeedKmh);
    for (const GpsFix &fix : Record.Fixes) {
        if (fix.OffsetMs >= 1000)
            Finding("a report beyond its block's second");
    }
    for (const double axis : Record.Acceleration) {
        if (!std::isfinite(axis))
            Finding("acceleration not finite");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(Data), qsizetype(Size));
    CheckRecord(FreeGpsBlock::Parse(bytes, FreeGpsBlock::Found::Indexed, Nmea));
    CheckRecord(FreeGpsBlock::Parse(bytes, FreeGpsBlock::Found::Scanned, Nmea));
    CheckRecord(FreeGpsBlock::Parse(bytes));

    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        Finding("cannot open the buffer");
    const Mp4Boxes boxes(buffer);
    const GpsFixList indexed = NovatekGps::Read(boxes, Nmea);
    const GpsFixList scanned = NovatekGps::Scan(boxes, Nmea);
    Check(indexed, MaxSpeedKmh);
    Check(scanned, MaxSpeedKmh);
    if (indexed.size() > NovatekGps::MaxBlocks * MaxReportsPerBlock
        || scanned.size() > NovatekGps::MaxBlocks * MaxReportsPerBlock)
        Finding("more reports than the bound");
    // Blocks are a second each, in order.
    for (qsizetype i = 1; i < scanned.size(); ++i) {
        if (scanned[i].OffsetMs < scanned[i - 1].OffsetMs)
            Finding("scanned blocks out of order");
    }
    return 0;
}
