// Fuzz target for BlackVue's G-sensor: the input as the records of a .3gf
// side file, and as a whole file whose 'free'/'3gf ' box holds them.

#include "accelcheck.h"
#include "fuzztarget.h"
#include "gpslog/accel/blackvueaccel.h"
#include "gpslog/mp4/mp4boxes.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(Data), qsizetype(Size));
    AccelCheck::Check(BlackVueAccel::Decode(bytes));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        AccelCheck::Finding("cannot open the buffer");
    const Mp4Boxes boxes(buffer);
    AccelCheck::Check(BlackVueAccel().Read(QString(), &boxes));
    return 0;
}
