// Fuzz target for the G-sensor of Novatek "freeGPS " blocks: the input as
// one block, and as a whole file whose 'gps ' index lists blocks.

#include "accelcheck.h"
#include "fuzztarget.h"
#include "gpslog/accel/novatekaccel.h"
#include "gpslog/mp4/mp4boxes.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(Data), qsizetype(Size));
    RawAccel reading;
    if (NovatekAccel::Decode(bytes, 0, reading))
        AccelCheck::Check({reading});
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        AccelCheck::Finding("cannot open the buffer");
    const Mp4Boxes boxes(buffer);
    AccelCheck::Check(NovatekAccel().Read(QString(), &boxes));
    return 0;
}
