// Fuzz target for GoPro's ACCL: the input as one GPMF sample, and as a
// whole file with a 'gpmd' track.

#include "accelcheck.h"
#include "fuzztarget.h"
#include "gpslog/accel/gpmfaccel.h"
#include "gpslog/mp4/mp4boxes.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(Data), qsizetype(Size));
    AccelCheck::Check(GpmfAccel::Decode(bytes, 0, 1000));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        AccelCheck::Finding("cannot open the buffer");
    const Mp4Boxes boxes(buffer);
    AccelCheck::Check(GpmfAccel().Read(QString(), &boxes));
    return 0;
}
