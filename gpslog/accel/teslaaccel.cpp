#include "teslaaccel.h"

#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/teslagps.h"

#include <QFile>
#include <QFileInfo>

bool TeslaAccel::Decode(const TeslaFrame &Frame, RawAccel &Reading)
{
    const auto &[x, y, z] = Frame.Acceleration;
    if (x == 0.0 && y == 0.0 && z == 0.0)
        return false;
    Reading.OffsetMs = Frame.OffsetMs;
    Reading.Forward = x / StandardGravity;
    Reading.Right = -y / StandardGravity;
    Reading.Up = z / StandardGravity;
    return true;
}

RawAccelList TeslaAccel::Read(const QString &VideoPath, const Mp4Boxes *Boxes) const
{
    RawAccelList readings;
    if (!Boxes || !TeslaGps::Probe(*Boxes))
        return readings;
    QFile file(VideoPath);
    if (!QFileInfo(VideoPath).isFile() || !file.open(QIODevice::ReadOnly))
        return readings;
    for (const TeslaFrame &frame : TeslaGps::Frames(file)) {
        RawAccel reading;
        if (Decode(frame, reading))
            readings.append(reading);
        if (readings.size() >= MaxReadings)
            break;
    }
    return readings;
}
