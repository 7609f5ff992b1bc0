#include "accelreader.h"

#include "gpslog/accel/blackvueaccel.h"
#include "gpslog/accel/gpmfaccel.h"
#include "gpslog/accel/nextbaseaccel.h"
#include "gpslog/accel/novatekaccel.h"
#include "gpslog/accel/teslaaccel.h"
#include "gpslog/mp4/mp4boxes.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double MillisecondsPerSecond = 1000.0;
// Readings that differ by less than this are the same reading: a stuck
// sensor may still flicker in its last bit.
constexpr double StuckSpreadG = 1e-6;

double Median(QList<double> Values)
{
    if (Values.isEmpty())
        return 0.0;
    const qsizetype middle = Values.size() / 2;
    std::nth_element(Values.begin(), Values.begin() + middle, Values.end());
    return Values.at(middle);
}

bool IsBelievable(const RawAccel &Reading)
{
    for (const double value : {Reading.Forward, Reading.Right, Reading.Up}) {
        if (!std::isfinite(value) || std::fabs(value) > AccelReader::MaxG)
            return false;
    }
    return Reading.OffsetMs >= 0;
}

} // namespace

double AccelTrace::RateHz() const
{
    if (Samples.size() < 2)
        return 0.0;
    const qint64 span = Samples.constLast().OffsetMs - Samples.constFirst().OffsetMs;
    if (span <= 0)
        return 0.0;
    return double(Samples.size() - 1) * MillisecondsPerSecond / double(span);
}

const QList<const AccelReader *> &AccelReader::All()
{
    static const BlackVueAccel blackVue;
    static const NovatekAccel novatek;
    static const GpmfAccel goPro;
    static const NextbaseAccel nextbase;
    // Last: only a Tesla camera file is read whole, and only after a look at
    // its first frames.
    static const TeslaAccel tesla;
    static const QList<const AccelReader *> readers = {&blackVue, &novatek, &goPro, &nextbase, &tesla};
    return readers;
}

AccelTrace AccelReader::ReadVideo(const QString &VideoPath)
{
    QFile file(VideoPath);
    // A FIFO or a device would block or never end.
    const bool open = QFileInfo(VideoPath).isFile() && file.open(QIODevice::ReadOnly);
    std::optional<Mp4Boxes> boxes;
    if (open)
        boxes.emplace(file);
    const Mp4Boxes *readable = boxes && boxes->IsReadable() ? &*boxes : nullptr;
    for (const AccelReader *reader : All()) {
        RawAccelList readings = reader->Read(VideoPath, readable);
        if (!readings.isEmpty())
            return ToTrace(reader->Name(), std::move(readings));
    }
    return {};
}

AccelTrace AccelReader::ToTrace(const QString &Layout, RawAccelList Readings)
{
    AccelTrace trace;
    trace.Layout = Layout;
    Readings.erase(std::remove_if(Readings.begin(), Readings.end(),
                                  [](const RawAccel &Reading) { return !IsBelievable(Reading); }),
                   Readings.end());
    if (Readings.size() > MaxReadings)
        Readings.resize(MaxReadings);
    if (Readings.isEmpty())
        return trace;
    std::stable_sort(Readings.begin(), Readings.end(),
                     [](const RawAccel &A, const RawAccel &B) { return A.OffsetMs < B.OffsetMs; });

    QList<double> forward;
    QList<double> right;
    QList<double> up;
    forward.reserve(Readings.size());
    right.reserve(Readings.size());
    up.reserve(Readings.size());
    for (const RawAccel &reading : std::as_const(Readings)) {
        forward.append(reading.Forward);
        right.append(reading.Right);
        up.append(reading.Up);
    }
    auto spread = [](const QList<double> &Values) {
        const auto [low, high] = std::minmax_element(Values.cbegin(), Values.cend());
        return *high - *low;
    };
    if (Readings.size() > 1 && spread(forward) < StuckSpreadG && spread(right) < StuckSpreadG
        && spread(up) < StuckSpreadG) {
        trace.Stuck = true;
        return trace;
    }
    const double restForward = Median(forward);
    const double restRight = Median(right);
    const double restUp = Median(up);
    trace.Samples.reserve(Readings.size());
    for (const RawAccel &reading : std::as_const(Readings)) {
        trace.Samples.append({reading.OffsetMs, reading.Forward - restForward, reading.Right - restRight,
                              reading.Up - restUp});
    }
    return trace;
}
